// The blur taps of Blur values rendered frames cannot show: the smallest, radii
// not finite or huge, and a downsample factor the host never filled.
#include "KaleonFrameValues.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(FrameValues, BlurTapsFollowTheRadiusWithinBounds)
{
    using limits = std::numeric_limits<double>;
    const struct {
        double blur;
        PF_RationalScale downsample;
        bool blurOn;
        int32_t steps;
    } cases[] = {
        {limits::denorm_min(), {1, 1}, true, 10}, {100.0, {1, 1}, true, 43},
        {10.0, {1, 2}, true, 11},                 {10.0, {1, 0}, true, 13},
        {0.0, {1, 1}, false, 0},                  {-5.0, {1, 1}, false, 0},
        {limits::quiet_NaN(), {1, 1}, false, 0},  {limits::infinity(), {1, 1}, false, 0},
        {1000.0, {2000000000, 1}, true, kMaxBlurSteps}, {1e300, {1, 1}, true, kMaxBlurSteps},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.blur << " at " << c.downsample.num << "/" << c.downsample.den);
        PF_ParamDef records[PARAM_COUNT] = {};
        records[PARAM_BLUR].u.fs_d.value = c.blur;
        const FrameValues values = ComputeFrameValues(records, c.downsample);
        EXPECT_EQ(values.blurOn, c.blurOn);
        EXPECT_EQ(values.blurOn ? values.steps : 0, c.steps);
    }
}

} // namespace
