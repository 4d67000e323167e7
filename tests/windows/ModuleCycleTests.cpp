// "IRX GL.aex" driven through the Win32 loader by the simulated host, as a
// host uses it: registration, about, global setup, parameter setup, frames at
// every depth on two render threads held against the CPU model, global
// setdown and unload; then all of it again after a fresh load in the same
// process. The host thread keeps a context of its own current throughout.
#include "HostGLContext.h"
#include "tests/render/RenderTestSupport.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

using namespace rendertest;

void RenderAndCompare(hostsim::Host& host)
{
    const hostsim::ControlValues settings[] = {IrisplitValues(1, 1.5, 12.0, 90.0, 0.0),
                                               IrisplitValues(2, -2.0, -30.0, 125.0, 2.5),
                                               IrisplitValues(3, 0.0, 0.0, 100.0, 1.0)};
    std::mt19937 random(9);
    std::vector<hostsim::FrameRequest> frames;
    for (PF_PixelFormat format : {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128}) {
        for (const hostsim::ControlValues& values : settings) {
            frames.emplace_back(WaveWorld(format, 19, 13, 1, random), values);
            frames.back().preRenderFirst = true;
        }
    }
    std::vector<hostsim::FrameResult> results(frames.size());
    std::vector<int> contextLeftCurrent(frames.size()); // checked on the render thread
    host.renderFrames(
        frames.size(), 2, [&](size_t i) { return frames[i]; },
        [&](size_t i, hostsim::FrameResult&& result) {
            contextLeftCurrent[i] = wglGetCurrentContext() != nullptr || wglGetCurrentDC() != nullptr;
            results[i] = std::move(result);
        });
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_TRUE(MatchesModel(frames[i], results[i]));
        EXPECT_TRUE(EverythingReturned(results[i])) << "frame " << i;
        EXPECT_FALSE(contextLeftCurrent[i]) << "frame " << i;
    }
}

void RunHostSession(hostsim::Host& host, const HostGLContext& hostContext)
{
    const hostsim::Registration registration = host.registerEffect();
    EXPECT_EQ(registration.result, PF_Err_NONE);
    EXPECT_EQ(registration.calls, 1);
    EXPECT_EQ(registration.entryPointName, "EffectMain");

    const hostsim::CommandResult about = host.about();
    EXPECT_EQ(about.result, PF_Err_NONE);
    EXPECT_EQ(std::string(about.out.return_msg).rfind("Irisplit v2.0\r", 0), 0u) << about.out.return_msg;

    const hostsim::CommandResult setup = host.globalSetup();
    ASSERT_EQ(setup.result, PF_Err_NONE);
    EXPECT_EQ(setup.out.my_version, 0x00100001u);
    EXPECT_EQ(setup.out.out_flags, 0x02000000);
    EXPECT_EQ(setup.out.out_flags2, 0x00001400);
    EXPECT_TRUE(hostContext.isCurrent()) << "global setup did not restore the host's context";

    const hostsim::ParamsSetupResult params = host.paramsSetup();
    EXPECT_EQ(params.result, PF_Err_NONE);
    EXPECT_EQ(params.out.num_params, 6);

    RenderAndCompare(host);
    EXPECT_TRUE(hostContext.isCurrent());

    EXPECT_EQ(host.globalSetdown().result, PF_Err_NONE);
    EXPECT_TRUE(hostContext.isCurrent()) << "global setdown did not restore the host's context";
    EXPECT_TRUE(host.leftovers().clean()) << host.leftovers().describe();
}

TEST(WindowsModule, WholeSessionTwiceWithAReloadInBetween)
{
    const HostGLContext hostContext;
    hostsim::Host host("IRX GL.aex", {}, hostsim::Checking::On);
    {
        SCOPED_TRACE("first load");
        RunHostSession(host, hostContext);
    }
    host.unload();
    host.load();
    {
        SCOPED_TRACE("after reload");
        RunHostSession(host, hostContext);
    }
    host.unload();
}

} // namespace
