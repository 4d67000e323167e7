// irisplit says in `info` which EGL display the effect renders on, and stops
// with the reason (exit 3), before the effect loads, when the variables name
// no usable device or refuse the software renderer.
#include "ToolTestSupport.h"

#include "tests/support/ScopedVariable.h"

#include <gtest/gtest.h>

#include <array>

namespace tooltest {
namespace {

TEST(RendererChoice, InfoSaysThePlatformTheDeviceAndTheDevicesSeen)
{
    const RunResult run = RunIrisplit({"info"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("EGL display (as the effect chooses it):\n  platform: device\n  device: 0 (software)\n"
                           "  devices seen: 0 (software)\n  renderer: llvmpipe"),
              std::string::npos)
        << run.out;
}

TEST(RendererChoice, UnusableVariablesStopTheToolWithTheReason)
{
    ScratchFolder folder;
    const std::string in = folder.path("in.png");
    WritePicture(in, MakePicture(6, 5, 3, OIIO::TypeDesc::UINT8, 0, 255));
    const std::vector<std::vector<std::string>> commands = {{"render", in, folder.path("out.png")}, {"info"}};
    for (const auto& [variable, value, reason] : std::vector<std::array<const char*, 3>>{
             {"IRISPLIT_EGL_DEVICE", "1", "IRISPLIT_EGL_DEVICE=1 names no EGL device"}, // one past the last
             {"IRISPLIT_REQUIRE_GPU", "1", "IRISPLIT_REQUIRE_GPU=1, but the renderer is a software one"}}) {
        const testsupport::ScopedVariable setting(variable, value);
        for (const std::vector<std::string>& arguments : commands) {
            const RunResult run = RunIrisplit(arguments);
            EXPECT_EQ(run.exitCode, 3) << run.err;
            EXPECT_EQ(run.err.rfind(std::string("irisplit: no renderer for the effect: ") + reason, 0), 0u) << run.err;
        }
        EXPECT_EQ(folder.files(), std::vector<std::string>{"in.png"});
    }
    const testsupport::ScopedVariable lastDevice("IRISPLIT_EGL_DEVICE", "0");
    EXPECT_EQ(RunIrisplit(commands[0]).exitCode, 0);
}

} // namespace
} // namespace tooltest
