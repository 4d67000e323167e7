// Holding a rendered output world against the model, within bounds measured
// on Mesa's llvmpipe.
#include "tests/model/CpuModel.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace cpumodel {
namespace {

const char* const kComponentNames[4] = {"alpha", "red", "green", "blue"};

// The output world's units per program unit, and whether a read-back into the
// format clamps to 0..1 first.
double HostUnit(PF_PixelFormat format)
{
    if (format == PF_PixelFormat_ARGB32) {
        return 255.0;
    }
    if (format == PF_PixelFormat_ARGB64) {
        return 65535.0;
    }
    return 1.0;
}

bool ClampsOnReadBack(PF_PixelFormat format) { return format != PF_PixelFormat_ARGB128; }

} // namespace

// llvmpipe filters mirrored-repeat textures in single-precision float (its
// 8-bit fixed-point weights serve only repeat and clamp-to-edge wrapping of
// 8-bit textures): measured on random 97x61 textures sampled at random points,
// the filtered value strays from the exact bilinear one by about 1e-5 of the
// texels' spread, which is the float error of the sampling coordinate. The
// model's slack charges 1/4096 texel and more per lookup; across random
// frames of every depth the renders used at most 8% of it. So:
//  - 8-bit: the read-back rounds to 1/255 and the filtering error stays below
//    0.01 of a step (worst seen 0.501 from the unrounded model): 1 LSB.
//  - 16-bit: at 1/65535 the filtering error shows (worst seen 1.1 LSB on
//    noise): 1 LSB for the rounding plus the slack in 16-bit units.
//  - float: no rounding and values of any size: the slack, plus a relative
//    bound for the single-precision sums of the blur (2n + 1 taps, each
//    rounding by 2^-24), plus a tiny absolute bound for values that cancel.
Tolerance DefaultTolerance(PF_PixelFormat format)
{
    if (format == PF_PixelFormat_ARGB32) {
        return {1.0, 0.0, 0.0};
    }
    if (format == PF_PixelFormat_ARGB64) {
        return {1.0, 0.0, 65535.0};
    }
    return {1e-6, 2e-5, 1.0};
}

std::string Comparison::describe() const
{
    std::ostringstream text;
    text << compared << " components compared, " << skipped << " left free, " << mismatches
         << " beyond tolerance; worst error " << worstError;
    if (!firstMismatch.empty()) {
        text << "; first: " << firstMismatch;
    }
    return text.str();
}

Comparison CompareWorld(const Image& expected, const hostsim::World& actual,
                        const Tolerance& tolerance)
{
    Comparison result;
    if (expected.width != actual.width() || expected.height != actual.height()) {
        std::ostringstream text;
        text << "size " << actual.width() << "x" << actual.height() << ", model "
             << expected.width << "x" << expected.height;
        result.mismatches = 1;
        result.firstMismatch = text.str();
        return result;
    }
    const double unit = HostUnit(actual.format());
    const bool clamps = ClampsOnReadBack(actual.format());
    for (int32_t y = 0; y < actual.height(); ++y) {
        for (int32_t x = 0; x < actual.width(); ++x) {
            const auto got = actual.get(x, y);
            const size_t i = expected.index(x, y);
            for (int c = 0; c < 4; ++c) {
                double value = expected.value[i][c];
                if (std::isnan(value)) {
                    ++result.skipped;
                    continue;
                }
                ++result.compared;
                if (clamps) {
                    value = std::clamp(value, 0.0, 1.0);
                }
                const double want = value * unit;
                const double allowed = tolerance.absolute + tolerance.relative * std::fabs(want) +
                                       tolerance.slackScale * expected.slack[i][c];
                const double error = std::fabs(got[c] - want);
                result.worstError = std::max(result.worstError, error);
                // A NaN from the renderer is never within bounds.
                if (error <= allowed) {
                    continue;
                }
                result.worstExcess = std::max(result.worstExcess, std::isnan(error) ? INFINITY : error - allowed);
                if (result.mismatches++ == 0) {
                    std::ostringstream text;
                    text << "pixel (" << x << ", " << y << ") " << kComponentNames[c] << ": got "
                         << got[c] << ", model " << want << " +- " << allowed;
                    result.firstMismatch = text.str();
                }
            }
        }
    }
    return result;
}

} // namespace cpumodel
