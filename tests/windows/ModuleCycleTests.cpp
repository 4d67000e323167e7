// "IRX GL.aex" driven through the Win32 loader by the simulated host, as a
// host uses it: registration, about, global setup, parameter setup, frames at
// every depth on two render threads held against the CPU model, global
// setdown and unload; then all of it again after a fresh load in the same
// process. The host thread keeps a context of its own current throughout.
#include "HostGLContext.h"
#include "Kaleon.h"
#include "hostsim/HostSim.h"
#include "tests/model/CpuModel.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr char kModuleFile[] = "IRX GL.aex";
constexpr unsigned kRenderThreads = 2;

// A pattern that uses the format's whole range; float frames reach outside
// 0..1, which only float render targets carry through.
hostsim::World PatternWorld(PF_PixelFormat format, int32_t width, int32_t height)
{
    hostsim::World world({format, width, height, std::nullopt});
    const double white = format == PF_PixelFormat_ARGB32   ? 255.0
                         : format == PF_PixelFormat_ARGB64 ? 32768.0
                                                           : 1.0;
    const double low = format == PF_PixelFormat_ARGB128 ? -0.5 : 0.0;
    const double high = format == PF_PixelFormat_ARGB128 ? 1.75 : 1.0;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const double u = (x + 0.5) / width;
            const double v = (y + 0.5) / height;
            const auto level = [&](double t) { return white * (low + (high - low) * t); };
            world.set(x, y, {level(0.25 + 0.75 * v), level(u), level(v),
                             level(0.5 + 0.5 * std::sin(6.0 * (u + v)))});
        }
    }
    return world;
}

struct Frame {
    hostsim::FrameRequest request;
    std::string label;
};

std::vector<Frame> FramesAtEveryDepth()
{
    const PF_PixelFormat formats[] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64,
                                      PF_PixelFormat_ARGB128};
    const hostsim::EffectValues settings[] = {
        {1, 1.5, 12.0, 90.0, 0.0},
        {2, -2.0, -30.0, 125.0, 2.5},
        {3, 0.0, 0.0, 100.0, 1.0},
    };
    std::vector<Frame> frames;
    for (PF_PixelFormat format : formats) {
        for (const hostsim::EffectValues& values : settings) {
            Frame frame{hostsim::FrameRequest(PatternWorld(format, 19, 13), values),
                        "format " + std::to_string(format) + ", channels " +
                            std::to_string(values.channels)};
            frame.request.preRenderFirst = true;
            frames.push_back(std::move(frame));
        }
    }
    return frames;
}

struct FrameOutcome {
    hostsim::FrameResult result;
    bool noContextLeftCurrent = false; // checked on the render thread after the frame
};

void RenderAndCompare(hostsim::Host& host)
{
    const std::vector<Frame> frames = FramesAtEveryDepth();
    std::vector<FrameOutcome> outcomes(frames.size());
    host.renderFrames(
        frames.size(), kRenderThreads, [&](size_t i) { return frames[i].request; },
        [&](size_t i, hostsim::FrameResult&& result) {
            outcomes[i].noContextLeftCurrent =
                wglGetCurrentContext() == nullptr && wglGetCurrentDC() == nullptr;
            outcomes[i].result = std::move(result);
        });

    for (size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(frames[i].label);
        const hostsim::FrameRequest& request = frames[i].request;
        const hostsim::FrameResult& result = outcomes[i].result;
        ASSERT_EQ(result.result, PF_Err_NONE);
        EXPECT_TRUE(outcomes[i].noContextLeftCurrent);
        EXPECT_TRUE(result.guardsIntact()) << result.guardDamage;
        EXPECT_TRUE(result.leftovers.clean()) << result.leftovers.describe();
        const cpumodel::Image expected = cpumodel::ExpectedImage(
            request.input, cpumodel::FromHostValues(request.values, request.downsample_x));
        const cpumodel::Comparison comparison = cpumodel::CompareWorld(
            expected, result.output, cpumodel::DefaultTolerance(request.input.format()));
        EXPECT_TRUE(comparison.matches()) << comparison.describe();
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
    EXPECT_EQ(std::string(about.out.return_msg).rfind("Irisplit v2.0\r", 0), 0u)
        << about.out.return_msg;

    const hostsim::CommandResult setup = host.globalSetup();
    ASSERT_EQ(setup.result, PF_Err_NONE);
    EXPECT_EQ(setup.out.my_version, kEffectVersion);
    EXPECT_TRUE(hostContext.isCurrent()) << "global setup did not restore the host's context";

    const hostsim::ParamsSetupResult params = host.paramsSetup();
    EXPECT_EQ(params.result, PF_Err_NONE);
    EXPECT_EQ(params.out.num_params, PARAM_COUNT);

    RenderAndCompare(host);
    EXPECT_TRUE(hostContext.isCurrent());

    const hostsim::CommandResult setdown = host.globalSetdown();
    EXPECT_EQ(setdown.result, PF_Err_NONE);
    EXPECT_TRUE(hostContext.isCurrent()) << "global setdown did not restore the host's context";
    EXPECT_TRUE(host.leftovers().clean()) << host.leftovers().describe();
}

TEST(WindowsModule, WholeSessionTwiceWithAReloadInBetween)
{
    const HostGLContext hostContext;
    hostsim::Host host(kModuleFile);
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
