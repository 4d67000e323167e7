// Global setup and setdown of the loaded module, driven by the host simulator.
// This program never links the OpenGL layer itself: the module has its own.
#include "tests/support/HostContext.h"
#include "hostsim/HostSim.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

hostsim::Host& LoadedEffect()
{
    static hostsim::Host host(IRX_MODULE_FILE);
    return host;
}

} // namespace

TEST(ModuleGlobalSetup, PrintsOneContextBlockAndPutsTheHostsContextBack)
{
    auto& host = LoadedEffect();
    for (const bool hostHasContext : {false, true}) {
        SCOPED_TRACE(hostHasContext);
        std::optional<testsupport::HostContext> hostContext;
        if (hostHasContext) {
            hostContext.emplace();
        }
        const EGLContext before = testsupport::CurrentContext();
        testing::internal::CaptureStdout();
        EXPECT_EQ(host.globalSetup().result, PF_Err_NONE);
        EXPECT_EQ(testsupport::ContextBlocks(testing::internal::GetCapturedStdout()), 1);
        EXPECT_EQ(testsupport::CurrentContext(), before);
        EXPECT_EQ(host.globalSetdown().result, PF_Err_NONE);
        EXPECT_EQ(testsupport::CurrentContext(), before);
    }
}

// Also run under LeakSanitizer: nothing of ours may leak over the cycles.
TEST(ModuleLifetime, LoadSetupSetdownUnloadRepeated)
{
    auto& host = LoadedEffect();
    for (int cycle = 0; cycle < 20; ++cycle) {
        SCOPED_TRACE(cycle);
        host.load();
        testing::internal::CaptureStdout();
        EXPECT_EQ(host.globalSetup().result, PF_Err_NONE);
        EXPECT_EQ(testsupport::ContextBlocks(testing::internal::GetCapturedStdout()), 1);
        EXPECT_EQ(host.globalSetdown().result, PF_Err_NONE);
        host.unload();
    }
    host.load();
}

// Contexts still alive at unload are let go without a call into a driver that
// may be gone; the next load starts over.
TEST(ModuleLifetime, UnloadWithoutSetdownThenLoadAgain)
{
    auto& host = LoadedEffect();
    testing::internal::CaptureStdout();
    ASSERT_EQ(host.globalSetup().result, PF_Err_NONE);
    hostsim::World input(hostsim::WorldShape{PF_PixelFormat_ARGB32, 4, 4, std::nullopt});
    const auto frames = host.renderFrames({hostsim::FrameRequest(input)}, 1);
    host.unload();
    host.load();
    EXPECT_EQ(host.globalSetup().result, PF_Err_NONE);
    EXPECT_EQ(host.globalSetdown().result, PF_Err_NONE);
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(frames.at(0).result, PF_Err_NONE);
    EXPECT_EQ(testsupport::ContextBlocks(output), 3) << output;
}
