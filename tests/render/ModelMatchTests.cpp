// Rendered frames against the CPU model, and the identity frame bit for bit.
#include "tests/render/RenderTestSupport.h"

#include <algorithm>

namespace rendertest {
namespace {

class ModelMatch : public ::testing::TestWithParam<PF_PixelFormat> {};

TEST_P(ModelMatch, RandomFramesMatchTheModel)
{
    std::mt19937 random(20240611u + static_cast<unsigned>(GetParam()));
    std::uniform_int_distribution<int32_t> width(5, 97);
    std::uniform_int_distribution<int32_t> height(3, 61);
    std::uniform_int_distribution<int32_t> padding(0, 3);
    for (int frame = 0; frame < 12; ++frame) {
        int32_t w = width(random);
        const int32_t h = height(random);
        w += w == h; // never square
        const int32_t pad = padding(random);
        const auto request = RandomFrame(frame % 2 ? WaveWorld(GetParam(), w, h, pad, random)
                                                   : NoiseWorld(GetParam(), w, h, pad, random),
                                         random);
        const auto result = Effect().render(request);
        EXPECT_TRUE(MatchesModel(request, result)) << "frame " << frame;
        EXPECT_TRUE(EverythingReturned(result)) << "frame " << frame;
    }
}

// Each channel pair moved and blurred, at half resolution, on one frame:
// a wrong pair, transform direction or downsample use cannot hide in noise.
TEST_P(ModelMatch, EveryModeMovesItsOwnPair)
{
    std::mt19937 random(7);
    const auto input = NoiseWorld(GetParam(), 41, 23, 2, random);
    for (int32_t mode : {0, 1, 2, 3, 7}) {
        hostsim::FrameRequest request(input, IrisplitValues(mode, 6.5, 30.0, -150.0, 4.0));
        request.downsample_x = {1, 2};
        EXPECT_TRUE(MatchesModel(request, Effect().render(request))) << "mode " << mode;
        // Zero scale: the plus channel reads one point; the minus channel is
        // left to the renderer and only the rest is compared.
        request.values[testsupport::kScale] = 0.0;
        EXPECT_TRUE(MatchesModel(request, Effect().render(request))) << "mode " << mode << ", scale 0";
    }
}

// Frames wrong by the smallest margins still fail: shifted by one texel, two
// channels swapped, and a blur with one tap too many (the model's, held
// against the right render).
TEST_P(ModelMatch, SlightlyWrongFramesFail)
{
    std::mt19937 random(5);
    const hostsim::FrameRequest request(WaveWorld(GetParam(), 29, 17, 1, random),
                                        IrisplitValues(2, 4.5, 25.0, 130.0, 3.0));
    const hostsim::FrameResult rendered = Effect().render(request);
    ASSERT_TRUE(MatchesModel(request, rendered));

    hostsim::FrameResult shifted = rendered;
    hostsim::FrameResult swapped = rendered;
    const hostsim::World& output = rendered.output;
    for (int32_t y = 0; y < output.height(); ++y) {
        for (int32_t x = 0; x < output.width(); ++x) {
            shifted.output.set(x, y, output.get(std::min(x + 1, output.width() - 1), y));
            auto argb = output.get(x, y);
            std::swap(argb[1], argb[3]);
            swapped.output.set(x, y, argb);
        }
    }
    EXPECT_FALSE(MatchesModel(request, shifted));
    EXPECT_FALSE(MatchesModel(request, swapped));

    cpumodel::ProgramSettings settings = cpumodel::DeriveSettings(
        cpumodel::FromHostValues(request.values, request.downsample_x), output.width(), output.height());
    settings.extraTaps = 1;
    const cpumodel::Image extraTap = cpumodel::RunPrograms(cpumodel::TextureFromWorld(request.input), settings);
    EXPECT_FALSE(cpumodel::CompareWorld(extraTap, output).matches());
}

// Identity values return the input exactly, every component where it was,
// and the padding after every row untouched.
TEST_P(ModelMatch, IdentityReturnsTheInputExactly)
{
    std::mt19937 random(11);
    auto input = NoiseWorld(GetParam(), 37, 19, 3, random);
    if (GetParam() == PF_PixelFormat_ARGB64) {
        input.set(0, 0, {32768, 0, 65535, 1});
        input.set(36, 18, {32768, 32767, 32769, 16384});
    } else if (GetParam() == PF_PixelFormat_ARGB128) {
        input.set(0, 0, {-0.5, 2.5, 1000.0, -1e6});
        input.set(1, 0, {1e-8, -2.0, 65535.0, 0.0});
        input.set(36, 18, {3.25, -0.001, 1.0 + 1e-6, 7e5});
    } else {
        input.set(0, 0, {255, 0, 1, 254});
    }
    const auto result = Effect().render(hostsim::FrameRequest(input, IrisplitValues(1, 0, 0, 100, 0)));
    ASSERT_EQ(result.result, PF_Err_NONE);
    EXPECT_TRUE(result.output.samePixels(input));
    EXPECT_TRUE(EverythingReturned(result));
}

INSTANTIATE_TEST_SUITE_P(Depths, ModelMatch,
                         ::testing::Values(PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64,
                                           PF_PixelFormat_ARGB128),
                         [](const auto& info) { return FormatName(info.param); });

} // namespace
} // namespace rendertest
