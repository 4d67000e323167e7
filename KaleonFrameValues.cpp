#include "KaleonFrameValues.h"

#include <cmath>

namespace {

constexpr double kFixedToDegrees = 1.52587890625e-5; // 1 / 65536
constexpr double kDegreesToRadians = 0.017453292519943295;

// numerator / denominator in single precision, widened; a zero denominator
// (a host that never filled the factor) counts as full resolution.
double DownsampleFactor(PF_RationalScale factor)
{
    if (factor.den == 0) {
        return 1.0;
    }
    return static_cast<double>(static_cast<float>(factor.num) / static_cast<float>(factor.den));
}

} // namespace

FrameValues ComputeFrameValues(const PF_ParamDef params[PARAM_COUNT],
                               PF_RationalScale downsampleX)
{
    FrameValues values{};
    values.downsample = DownsampleFactor(downsampleX);
    values.mode = params[PARAM_CHANNELS].u.pd.value;
    values.position = params[PARAM_POSITION].u.fs_d.value * values.downsample;
    values.rotation = static_cast<double>(params[PARAM_ROTATION].u.ad.value) * kFixedToDegrees *
                      kDegreesToRadians;
    values.scale = params[PARAM_SCALE].u.fs_d.value * 0.01;
    values.radius = params[PARAM_BLUR].u.fs_d.value * values.downsample;
    // An infinite or NaN radius cannot be blurred over; treat it as no blur.
    values.blurOn = std::isfinite(values.radius) && values.radius > 0.0;
    if (values.blurOn) {
        const double steps = std::fmin(values.radius * 0.33 + 10.0, kMaxBlurSteps);
        values.steps = static_cast<int32_t>(steps);
    }
    return values;
}
