// Rendered frames against the CPU model, and the identity frame bit for bit.
#include "tests/render/RenderTestSupport.h"

#include <cmath>
#include <cstring>

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
        const auto request = RandomFrame(NoiseWorld(GetParam(), w, h, padding(random), random), random);
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
        hostsim::FrameRequest request(input, {mode, 6.5, 30.0, -150.0, 4.0});
        request.downsample_x = {1, 2};
        EXPECT_TRUE(MatchesModel(request, Effect().render(request))) << "mode " << mode;
        // Zero scale: the plus channel reads one point; the minus channel is
        // left to the renderer and only the rest is compared.
        request.values.scale = 0.0;
        EXPECT_TRUE(MatchesModel(request, Effect().render(request))) << "mode " << mode << ", scale 0";
    }
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
    hostsim::FrameRequest request(input, {1, 0.0, 0.0, 100.0, 0.0});
    const auto result = Effect().render(request);
    ASSERT_EQ(result.result, PF_Err_NONE);
    int differing = 0;
    std::string first;
    for (int32_t y = 0; y < input.height(); ++y) {
        for (int32_t x = 0; x < input.width(); ++x) {
            const auto got = result.output.get(x, y);
            const auto want = input.get(x, y);
            if (std::memcmp(&got, &want, sizeof(got)) != 0 && differing++ == 0) {
                first = "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
            }
        }
    }
    EXPECT_EQ(differing, 0) << "pixels changed, first at " << first;
    EXPECT_TRUE(EverythingReturned(result));
}

INSTANTIATE_TEST_SUITE_P(Depths, ModelMatch,
                         ::testing::Values(PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64,
                                           PF_PixelFormat_ARGB128),
                         [](const auto& info) {
                             std::string name = FormatName(info.param);
                             return name == "8-bit" ? std::string("Bits8")
                                    : name == "16-bit" ? std::string("Bits16")
                                                       : std::string("Float");
                         });

} // namespace
} // namespace rendertest
