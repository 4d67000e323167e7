#include "tests/render/RenderTestSupport.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace rendertest {

hostsim::Host& Effect()
{
    static hostsim::Host& host = [] () -> hostsim::Host& {
        // A copy elsewhere (the GPU check's bundle) is named in IRX_TEST_MODULE.
        const char* copy = std::getenv("IRX_TEST_MODULE");
        static hostsim::Host loaded(copy != nullptr ? copy : IRX_MODULE_FILE, {}, hostsim::Checking::On);
        const auto setup = loaded.globalSetup();
        const auto params = loaded.paramsSetup();
        if (setup.result != PF_Err_NONE || params.result != PF_Err_NONE) {
            throw std::runtime_error("the effect did not set up");
        }
        return loaded;
    }();
    return host;
}

namespace {

// A world whose component c at (x, y) is level(c, x, y) in 0..1 of the
// format's range: 8-bit 0..255, 16-bit 0..32768, float -0.5..1.5.
template <typename Level>
hostsim::World FilledWorld(PF_PixelFormat format, int32_t width, int32_t height,
                           int32_t padPixels, Level level)
{
    const int32_t rowbytes = static_cast<int32_t>((width + padPixels) * hostsim::PixelSize(format));
    hostsim::World world(hostsim::WorldShape{format, width, height, rowbytes});
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            std::array<double, 4> argb{};
            for (int c = 0; c < 4; ++c) {
                const double t = level(c, x, y);
                argb[c] = format == PF_PixelFormat_ARGB32   ? std::round(255.0 * t)
                          : format == PF_PixelFormat_ARGB64 ? std::round(32768.0 * t)
                                                            : 2.0 * t - 0.5;
            }
            world.set(x, y, argb);
        }
    }
    return world;
}

} // namespace

hostsim::World NoiseWorld(PF_PixelFormat format, int32_t width, int32_t height,
                          int32_t padPixels, std::mt19937& random)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    return FilledWorld(format, width, height, padPixels, [&](int, int32_t, int32_t) { return unit(random); });
}

hostsim::World WaveWorld(PF_PixelFormat format, int32_t width, int32_t height,
                         int32_t padPixels, std::mt19937& random)
{
    std::uniform_real_distribution<double> frequency(-0.4, 0.4);
    std::uniform_real_distribution<double> phase(0.0, 6.3);
    std::array<std::array<double, 3>, 4> waves;
    for (auto& wave : waves) wave = {frequency(random), frequency(random), phase(random)};
    return FilledWorld(format, width, height, padPixels, [&](int c, int32_t x, int32_t y) {
        return 0.5 + 0.5 * std::sin(waves[c][0] * x + waves[c][1] * y + waves[c][2]);
    });
}

hostsim::FrameRequest RandomFrame(hostsim::World input, std::mt19937& random)
{
    std::uniform_int_distribution<int> mode(0, 7);
    std::uniform_real_distribution<double> position(-40.0, 40.0);
    std::uniform_real_distribution<double> rotation(-200.0, 200.0);
    std::uniform_real_distribution<double> scaleMagnitude(20.0, 300.0);
    std::uniform_real_distribution<double> blur(0.5, 12.0);
    std::uniform_int_distribution<int> choice(0, 7);

    using namespace testsupport;
    hostsim::ControlValues values;
    values[kChannels] = mode(random);
    values[kPosition] = position(random);
    values[kRotation] = rotation(random);
    values[kScale] = choice(random) == 0 ? 0.0 : scaleMagnitude(random) * (choice(random) < 3 ? -1 : 1);
    values[kBlur] = choice(random) < 4 ? 0.0 : blur(random);
    hostsim::FrameRequest request(std::move(input), values);
    request.downsample_x = choice(random) < 4 ? PF_RationalScale{1, 1} : PF_RationalScale{1, 2};
    request.downsample_y = request.downsample_x;
    return request;
}

::testing::AssertionResult MatchesModel(const hostsim::FrameRequest& request,
                                        const hostsim::FrameResult& result)
{
    const auto expected = cpumodel::ExpectedImage(
        request.input, cpumodel::FromHostValues(request.values, request.downsample_x));
    const auto comparison = cpumodel::CompareWorld(expected, result.output);
    std::ostringstream frame;
    frame << FormatName(request.input.format()) << " " << request.input.width() << "x"
          << request.input.height() << " rowbytes " << request.input.rowbytes() << ", values";
    for (const auto& [index, value] : request.values) frame << " " << index << ":" << value;
    frame << ", downsample " << request.downsample_x.num << "/"
          << request.downsample_x.den << ": " << comparison.describe();
    if (result.result != PF_Err_NONE) {
        return ::testing::AssertionFailure() << "result " << result.result << " for " << frame.str();
    }
    if (!comparison.matches() || comparison.compared == 0) return ::testing::AssertionFailure() << frame.str();
    return ::testing::AssertionSuccess() << frame.str();
}

::testing::AssertionResult EverythingReturned(const hostsim::FrameResult& result)
{
    std::ostringstream problems;
    if (!result.leftovers.clean()) problems << "left behind: " << result.leftovers.describe() << "\n";
    for (const std::string& line : result.misuse) problems << "misuse: " << line << "\n";
    if (result.paramCheckins != result.paramCheckouts) {
        problems << "parameters checked out and checked in a different number of times\n";
    }
    // Once anything was checked out, all six records and the input go back.
    const bool checkedOut = result.log.count("checkout_layer_pixels") > 0;
    if (checkedOut && result.log.count("checkin_param") != 6) {
        problems << result.log.count("checkin_param") << " checkin_param calls\n";
    }
    if (checkedOut && result.log.count("checkin_layer_pixels") != 1) {
        problems << result.log.count("checkin_layer_pixels") << " checkin_layer_pixels calls\n";
    }
    if (!result.guardsIntact()) problems << "guard bytes: " << result.guardDamage << "\n";
    if (!result.inputUntouched) problems << "the input world was written\n";
    if (problems.str().empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << problems.str() << result.log.describe();
}

std::string FormatName(PF_PixelFormat format)
{
    return format == PF_PixelFormat_ARGB32    ? "Bits8"
           : format == PF_PixelFormat_ARGB64  ? "Bits16"
           : format == PF_PixelFormat_ARGB128 ? "Float"
                                              : "Format" + std::to_string(format);
}

} // namespace rendertest
