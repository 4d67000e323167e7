// Global setup and setdown with the module-wide state, and the per-thread
// lookup of render data.
#include "LayerTestSupport.h"

#include <cstring>
#include <regex>

using namespace irxgl;
using namespace layertest;

using GlobalLifecycle = LayerTest;

// On every path, failed ones too, global setup declares the effect to the
// host (its version and both flag words, whatever out_data held), prints the
// context block of the context it made, and leaves the caller's context current.
TEST_F(GlobalLifecycle, SetupDeclaresTheEffectOnEveryPath)
{
    const struct {
        const char* name;
        void (*arrange)(Command&);
        PF_Err expected;
        int contexts; // made and kept
    } cases[] = {
        {"no display yet", [](Command&) { spy::FailContextCreation(); }, PF_Err_OUT_OF_MEMORY, 0}, // chosen again next
        {"set up", [](Command&) {}, PF_Err_NONE, 1},
        {"no basic suite", [](Command& c) { c.in.pica_basicP = nullptr; }, PF_Err_BAD_CALLBACK_PARAM, 0},
        {"no context", [](Command&) { spy::FailContextCreation(); }, PF_Err_OUT_OF_MEMORY, 0},
        {"no versioned contexts", [](Command&) { spy::HideVersionedContexts(); }, PF_Err_OUT_OF_MEMORY, 0},
    };
    testsupport::HostContext caller;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Command command;
        std::memset(&command.out, 0xA5, sizeof command.out);
        c.arrange(command);
        testing::internal::CaptureStdout();
        EXPECT_EQ(GlobalSetup(&command.in, &command.out), c.expected);
        const std::string output = testing::internal::GetCapturedStdout();
        spy::ClearFaults();
        EXPECT_EQ(command.out.my_version, 0x00100001u);
        EXPECT_EQ(command.out.out_flags, 0x02000000);
        EXPECT_EQ(command.out.out_flags2, 0x00001400);
        EXPECT_TRUE(caller.isCurrent());
        EXPECT_EQ(spy::LiveContexts(), contextsBefore_ + 1 + c.contexts);
        EXPECT_EQ(sharedCommonData && sharedCommonData->renderContext, c.contexts == 1);
        if (c.contexts == 1) {
            const std::regex block("\nOpenGL Version:  .+\nOpenGL Vendor:   .+\nOpenGL Renderer: .+\n"
                                   "OpenGL Revision: [0-9]+ \\(gl.xml\\)\n\n");
            EXPECT_TRUE(std::regex_match(output, block)) << output;
        } else {
            EXPECT_EQ(output.find("OpenGL Version"), std::string::npos) << output;
        }
        ASSERT_EQ(RunGlobal(GlobalSetdown), PF_Err_NONE);
    }
}

// Without common data (after setdown) a render thread gets no context.
TEST_F(GlobalLifecycle, EachThreadKeepsItsOwnRenderDataAndGetsAFreshOneAfterSetdown)
{
    OnNewThread([&] {
        const auto first = AcquireThreadRenderData();
        EXPECT_EQ(AcquireThreadRenderData(), first);
        std::shared_ptr<EffectRenderData> other;
        OnNewThread([&] { other = AcquireThreadRenderData(); });
        EXPECT_NE(other, first);

        ASSERT_EQ(RunGlobal(GlobalSetdown), PF_Err_NONE);
        const auto fresh = AcquireThreadRenderData();
        ASSERT_TRUE(fresh);
        EXPECT_NE(fresh, first);
        EXPECT_EQ(renderDataByThread.size(), 1u);
        EXPECT_THROW(SetUpRenderThread(), Fault);
        EXPECT_FALSE(MakeCurrent(*fresh));
        EXPECT_EQ(spy::LiveContexts(), contextsBefore_);
    });
}
