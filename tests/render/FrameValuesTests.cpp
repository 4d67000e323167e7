// The frame values the effect derives from its parameters, on their own.
#include "KaleonFrameValues.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

struct Parameters {
    PF_ParamDef records[PARAM_COUNT];

    explicit Parameters(double position = 0.0, double rotationDegrees = 0.0, double scale = 100.0,
                        double blur = 0.0, int32_t channels = 2)
    {
        std::memset(records, 0, sizeof(records));
        records[PARAM_CHANNELS].u.pd.value = channels;
        records[PARAM_POSITION].u.fs_d.value = position;
        records[PARAM_ROTATION].u.ad.value = static_cast<PF_Fixed>(rotationDegrees * 65536.0);
        records[PARAM_SCALE].u.fs_d.value = scale;
        records[PARAM_BLUR].u.fs_d.value = blur;
    }
};

FrameValues Compute(const Parameters& parameters, PF_RationalScale downsample = {1, 1})
{
    return ComputeFrameValues(parameters.records, downsample);
}

TEST(FrameValues, BlurTapsGrowWithTheRadius)
{
    const FrameValues smallest = Compute(Parameters(0, 0, 100, std::numeric_limits<double>::denorm_min()));
    EXPECT_TRUE(smallest.blurOn);
    EXPECT_EQ(smallest.steps, 10);
    EXPECT_EQ(Compute(Parameters(0, 0, 100, 100.0)).steps, 43);
    EXPECT_FALSE(Compute(Parameters(0, 0, 100, 0.0)).blurOn);
    EXPECT_FALSE(Compute(Parameters(0, 0, 100, -5.0)).blurOn);
}

TEST(FrameValues, AnglesAndScaleBecomeShaderUnits)
{
    const FrameValues values = Compute(Parameters(0, 90.0, -100.0, 0, 3));
    EXPECT_EQ(static_cast<float>(values.rotation), static_cast<float>(M_PI / 2));
    EXPECT_EQ(static_cast<float>(values.scale), -1.0f);
    EXPECT_EQ(Compute(Parameters()).scale, 1.0);
    EXPECT_EQ(values.mode, 3);
}

TEST(FrameValues, HorizontalDownsampleScalesPositionAndBlur)
{
    const FrameValues half = Compute(Parameters(10.0, 0, 100, 10.0), {1, 2});
    EXPECT_EQ(half.position, 5.0);
    EXPECT_EQ(half.radius, 5.0);
    EXPECT_EQ(half.steps, 11);
    const FrameValues unset = Compute(Parameters(10.0, 0, 100, 10.0), {1, 0});
    EXPECT_EQ(unset.position, 10.0);
    EXPECT_EQ(unset.radius, 10.0);
}

TEST(FrameValues, UnusableRadiusNeverReachesTheTapCount)
{
    for (double blur : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        EXPECT_FALSE(Compute(Parameters(0, 0, 100, blur)).blurOn) << blur;
    }
    // A huge downsample ratio makes a huge but finite radius: clamped, not overflowed.
    const FrameValues huge = Compute(Parameters(0, 0, 100, 1000.0), {2000000000, 1});
    EXPECT_TRUE(huge.blurOn);
    EXPECT_EQ(huge.steps, kMaxBlurSteps);
    EXPECT_EQ(Compute(Parameters(0, 0, 100, 1e300)).steps, kMaxBlurSteps);
}

} // namespace
