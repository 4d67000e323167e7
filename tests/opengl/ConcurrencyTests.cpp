// Render threads that set up their contexts and build their objects all at
// once, while the others already call OpenGL. Also run under helgrind.
#include "LayerTestSupport.h"

#include <glbinding/gl33core/gl.h>

#include <atomic>
#include <iterator>
#include <regex>
#include <vector>

using namespace irxgl;
using namespace gl33core;
using namespace layertest;

constexpr int kRenderThreads = 8;
constexpr int kRounds = 2;

using ConcurrentRenderThreads = LayerTest;

TEST_F(ConcurrentRenderThreads, SetUpAndBuildAtOnceRepeatedly)
{
    const int unboundBefore = spy::MakeCurrentWithoutOpenGLApi();
    for (int round = 0; round < kRounds; ++round) {
        testing::internal::CaptureStdout();
        ASSERT_EQ(RunGlobal(GlobalSetup), PF_Err_NONE);
        std::atomic<int> complete{0};
        std::vector<std::thread> threads;
        for (int thread = 0; thread < kRenderThreads; ++thread) {
            threads.emplace_back([&complete] {
                auto renderData = SetUpRenderThread();
                for (const uint16_t size : {8, 5}) {
                    ASSERT_TRUE(MakeCurrent(*renderData));
                    InitResources(*renderData, size, size);
                }
                glBindFramebuffer(GL_FRAMEBUFFER, renderData->framebuffers[2]);
                if (FramebufferStatusString() == "OK") {
                    ++complete;
                }
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
        const std::string output = testing::internal::GetCapturedStdout();
        EXPECT_EQ(complete.load(), kRenderThreads);
        const std::regex block("OpenGL Version:  ");
        EXPECT_EQ(std::distance(std::sregex_iterator(output.begin(), output.end(), block), std::sregex_iterator()), kRenderThreads + 1);
        EXPECT_EQ(output.find("ERROR"), std::string::npos) << output;
        EXPECT_EQ(LentBindingHandleCount(), kRenderThreads + 1);
        ASSERT_EQ(RunGlobal(GlobalSetdown), PF_Err_NONE);
        EXPECT_EQ(spy::LiveContexts(), contextsBefore_);
    }
    // The bound API is per thread: each render thread binds OpenGL itself.
    EXPECT_EQ(spy::MakeCurrentWithoutOpenGLApi(), unboundBefore);
}
