// irisplit says in `info` which EGL display the effect renders on, and stops
// with the reason (exit 3), before the effect loads, when the variables name
// no usable device or refuse the software renderer.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tooltest {
namespace {

TEST(RendererChoice, InfoSaysItAndUnusableVariablesStopTheTool)
{
    const RunResult info = RunIrisplit({"info"});
    EXPECT_NE(info.out.find("  platform: device\n  device: 0 (software)\n  devices seen: 0 (software)\n"),
              std::string::npos)
        << info.out;

    ScratchFolder folder;
    WritePicture(folder.path("in.png"), MakePicture(6, 5, 3, OIIO::TypeDesc::UINT8, 0, 255));
    const std::vector<std::string> render = {"render", folder.path("in.png"), folder.path("out.png")};
    for (const auto& [variable, reason] : std::vector<std::pair<const char*, std::string>>{
             {"IRISPLIT_EGL_DEVICE", "IRISPLIT_EGL_DEVICE=1 names no EGL device"}, // one past the last
             {"IRISPLIT_REQUIRE_GPU", "IRISPLIT_REQUIRE_GPU=1, but the renderer is a software one"}}) {
        setenv(variable, "1", 1);
        for (const std::vector<std::string>& arguments : {render, std::vector<std::string>{"info"}}) {
            const RunResult run = RunIrisplit(arguments);
            EXPECT_EQ(run.exitCode, 3) << run.err;
            EXPECT_EQ(run.err.rfind("irisplit: no renderer for the effect: " + reason, 0), 0u) << run.err;
        }
        unsetenv(variable);
        EXPECT_EQ(folder.files(), std::vector<std::string>{"in.png"});
    }
    setenv("IRISPLIT_EGL_DEVICE", "0", 1);
    EXPECT_EQ(RunIrisplit(render).exitCode, 0);
    unsetenv("IRISPLIT_EGL_DEVICE");
}

} // namespace
} // namespace tooltest
