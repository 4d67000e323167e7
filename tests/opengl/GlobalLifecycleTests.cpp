// Global setup and setdown with the module-wide state, and the per-thread
// lookup of render data.
#include "LayerTestSupport.h"

#include <algorithm>
#include <vector>

using namespace AESDK_OpenGL;
using namespace layertest;

using GlobalLifecycle = LayerTest;

TEST_F(GlobalLifecycle, SetupPrintsOneContextBlockAndLeavesNoContextCurrent)
{
    Command command;
    testing::internal::CaptureStdout();
    EXPECT_EQ(GlobalSetup(&command.in, &command.out), PF_Err_NONE);
    const std::string output = testing::internal::GetCapturedStdout();
    // Six lines: empty, version, vendor, renderer, revision, empty.
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 6) << output;
    EXPECT_EQ(output.rfind("\nOpenGL Version:  ", 0), 0u) << output;
    const size_t vendor = output.find("\nOpenGL Vendor:   ");
    const size_t renderer = output.find("\nOpenGL Renderer: ");
    const size_t revision = output.find("\nOpenGL Revision: ");
    EXPECT_TRUE(vendor < renderer && renderer < revision && revision != std::string::npos);
    ASSERT_GE(output.size(), 11u);
    EXPECT_EQ(output.substr(output.size() - 11), " (gl.xml)\n\n");
    EXPECT_EQ(testsupport::CurrentContext(), EGL_NO_CONTEXT);
    ASSERT_TRUE(sharedCommonData);
    EXPECT_NE(sharedCommonData->renderContext, nullptr);
    EXPECT_EQ(command.out.my_version, 0x00100001u);
    EXPECT_EQ(command.out.out_flags2, 0x00001400);
}

TEST_F(GlobalLifecycle, SecondSetupLeavesExactlyOneCommonHolder)
{
    QuietGlobalSetup();
    const std::weak_ptr<AESDK_OpenGL_EffectCommonData> first = sharedCommonData;
    QuietGlobalSetup();
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(sharedCommonData.use_count(), 1);
    EXPECT_EQ(spy::LiveContexts(), contextsBefore_ + 1);
    EXPECT_EQ(spy::LiveSurfaces(), surfacesBefore_ + 1);
}

TEST_F(GlobalLifecycle, SetupWithoutBasicSuiteCreatesNothing)
{
    Command command;
    command.in.pica_basicP = nullptr;
    EXPECT_EQ(GlobalSetup(&command.in, &command.out), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_FALSE(sharedCommonData);
    EXPECT_EQ(spy::LiveContexts(), contextsBefore_);
    EXPECT_EQ(command.out.my_version, 0x00100001u);
}

TEST_F(GlobalLifecycle, FailedSetupReports4AndLeavesTheCallersContextAlone)
{
    testsupport::HostContext caller;
    spy::FailContextCreation();
    EXPECT_EQ(RunGlobalSetup(), PF_Err_OUT_OF_MEMORY);
    EXPECT_TRUE(caller.isCurrent());

    // A driver that cannot make versioned contexts: the root context goes again.
    spy::ClearFaults();
    spy::HideVersionedContexts();
    EXPECT_EQ(RunGlobalSetup(), PF_Err_OUT_OF_MEMORY);
    EXPECT_TRUE(caller.isCurrent());
    EXPECT_EQ(spy::LiveContexts(), contextsBefore_ + 1); // the caller's own
}

TEST_F(GlobalLifecycle, SetdownReleasesEveryHolderAndPutsTheCallersContextBack)
{
    testsupport::HostContext caller;
    QuietGlobalSetup();
    std::vector<std::weak_ptr<AESDK_OpenGL_EffectRenderData>> renderHolders;
    testing::internal::CaptureStdout();
    for (int thread = 0; thread < 3; ++thread) {
        OnNewThread([&] {
            auto renderData = SetUpRenderThread();
            AESDK_OpenGL_InitResources(*renderData, 4, 4);
            renderHolders.push_back(renderData);
        });
    }
    EXPECT_EQ(testsupport::ContextBlocks(testing::internal::GetCapturedStdout()), 3);
    EXPECT_EQ(spy::LiveContexts(), contextsBefore_ + 5);
    EXPECT_EQ(AESDK_OpenGL_LentBindingHandleCount(), 4);

    const std::weak_ptr<AESDK_OpenGL_EffectCommonData> common = sharedCommonData;
    EXPECT_EQ(RunGlobalSetdown(), PF_Err_NONE);
    EXPECT_TRUE(common.expired());
    for (const auto& holder : renderHolders) {
        EXPECT_TRUE(holder.expired());
    }
    EXPECT_EQ(spy::LiveContexts(), contextsBefore_ + 1);
    EXPECT_TRUE(caller.isCurrent());
}

TEST_F(GlobalLifecycle, RenderDataInUseOutlivesSetdownUntilReleased)
{
    QuietGlobalSetup();
    std::shared_ptr<AESDK_OpenGL_EffectRenderData> inFlight;
    OnNewThread([&] { inFlight = SetUpRenderThread(); });
    EXPECT_EQ(RunGlobalSetdown(), PF_Err_NONE);
    EXPECT_EQ(spy::LiveContexts(), contextsBefore_ + 1);
    inFlight.reset();
    EXPECT_EQ(spy::LiveContexts(), contextsBefore_);
}

TEST_F(GlobalLifecycle, SetdownDisposesOfSequenceDataOnlyWhenThereIsSome)
{
    static int disposals = 0;
    void* block = nullptr;
    Command command;
    command.utils.host_dispose_handle = [](PF_Handle) { ++disposals; };
    command.out.sequence_data = &block;
    ASSERT_EQ(GlobalSetdown(&command.in, &command.out), PF_Err_NONE);
    EXPECT_EQ(disposals, 0);
    EXPECT_EQ(command.out.sequence_data, &block);

    command.in.sequence_data = &block;
    ASSERT_EQ(GlobalSetdown(&command.in, &command.out), PF_Err_NONE);
    EXPECT_EQ(disposals, 1);
    EXPECT_EQ(command.out.sequence_data, nullptr);
}

TEST_F(GlobalLifecycle, EachThreadKeepsItsOwnRenderDataAndGetsAFreshOneAfterSetdown)
{
    OnNewThread([] {
        const auto first = AcquireThreadRenderData();
        EXPECT_EQ(AcquireThreadRenderData(), first);
        std::shared_ptr<AESDK_OpenGL_EffectRenderData> other;
        OnNewThread([&] { other = AcquireThreadRenderData(); });
        EXPECT_NE(other, first);

        ASSERT_EQ(RunGlobalSetdown(), PF_Err_NONE);
        const auto fresh = AcquireThreadRenderData();
        ASSERT_TRUE(fresh);
        EXPECT_NE(fresh, first);
        EXPECT_EQ(renderDataByThread.size(), 1u);
    });
}

TEST_F(GlobalLifecycle, RenderThreadWithoutCommonDataGetsNoContext)
{
    OnNewThread([&] {
        auto renderData = AcquireThreadRenderData();
        EXPECT_THROW(SetUpRenderThread(), AESDK_OpenGL_Fault);
        EXPECT_FALSE(AESDK_OpenGL_MakeCurrent(*renderData));
    });
    EXPECT_EQ(spy::LiveContexts(), contextsBefore_);
}
