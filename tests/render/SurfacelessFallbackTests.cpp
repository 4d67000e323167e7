// With a libEGL that has no device platform, the module falls back to Mesa's
// surfaceless platform and still renders the model's frames. (The other
// render tests run on the device platform, on Mesa's software device here.)
#include "WindowSystemSpy.h"
#include "tests/render/RenderTestSupport.h"

namespace rendertest {
namespace {

// Before the module loads: its first look at EGL already misses the platform.
const bool devicePlatformHidden = (spy::HideDevicePlatform(), true);

class SurfacelessFallback : public ::testing::TestWithParam<PF_PixelFormat> {};

TEST_P(SurfacelessFallback, RendersTheModelsFrames)
{
    ASSERT_TRUE(devicePlatformHidden);
    std::mt19937 random(977u + static_cast<unsigned>(GetParam()));
    for (int frame = 0; frame < 4; ++frame) {
        const auto request = RandomFrame(NoiseWorld(GetParam(), 37 + frame, 21, frame % 2, random), random);
        EXPECT_TRUE(MatchesModel(request, Effect().render(request))) << "frame " << frame;
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, SurfacelessFallback,
                         ::testing::Values(PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128),
                         [](const auto& info) { return FormatName(info.param); });

} // namespace
} // namespace rendertest
