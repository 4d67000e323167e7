// Holding a rendered output world against the model, within bounds that any
// conforming GPU meets.
#include "tests/model/CpuModel.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace cpumodel {

double HostUnit(PF_PixelFormat format)
{
    return format == PF_PixelFormat_ARGB32 ? 255.0 : format == PF_PixelFormat_ARGB64 ? 65535.0 : 1.0;
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

Comparison CompareWorld(const Image& expected, const hostsim::World& actual)
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
    const bool integer = actual.format() != PF_PixelFormat_ARGB128; // its read-back clamps to 0..1
    // Beyond the model's slack (CpuModel.cpp: what filtering with 8-bit
    // sub-texel weights may cost; a channel that stays has none), 8-bit and
    // 16-bit allow 1 LSB for the read-back's rounding; float a relative bound
    // for the single-precision sums of the blur (2n + 1 taps, each rounding by
    // 2^-24) and a tiny absolute bound for values that cancel.
    const double absolute = integer ? 1.0 : 1e-6, relative = integer ? 0.0 : 2e-5;
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
                if (integer) {
                    value = std::clamp(value, 0.0, 1.0);
                }
                const double want = value * unit;
                const double allowed = absolute + relative * std::fabs(want) + unit * expected.slack[i][c];
                const double error = std::fabs(got[c] - want);
                result.worstError = std::max(result.worstError, error);
                // A NaN from the renderer is never within bounds.
                if (error <= allowed) {
                    continue;
                }
                if (result.mismatches++ == 0) {
                    std::ostringstream text;
                    text << "pixel (" << x << ", " << y << ") " << "ARGB"[c] << ": got "
                         << got[c] << ", model " << want << " +- " << allowed;
                    result.firstMismatch = text.str();
                }
            }
        }
    }
    return result;
}

} // namespace cpumodel
