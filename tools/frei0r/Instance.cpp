#include "Instance.h"

#include "FailureLog.h"
#include "PixelOrder.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace irisplit_frei0r {
namespace {

constexpr uint32_t kTicksPerSecond = 1000;

// frei0r's time in seconds (ffmpeg passes milliseconds) as the host's ticks,
// saturated to their range. frei0r tells no frame duration: the step is a tick.
hostsim::FrameTime HostTime(double seconds) {
    hostsim::FrameTime time;
    time.time_scale = kTicksPerSecond;
    time.time_step = 1;
    const double ticks = std::round(seconds * kTicksPerSecond);
    constexpr double kMin = std::numeric_limits<int32_t>::min(), kMax = std::numeric_limits<int32_t>::max();
    time.current_time = std::isnan(ticks) ? 0 : int32_t(std::clamp(ticks, kMin, kMax));
    return time;
}

std::string SizeText(unsigned width, unsigned height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

} // namespace

Instance::Instance(unsigned width, unsigned height) : width_(width), height_(height) {
    try {
        values_ = hold_.effect().mapping().defaults();
    } catch (const FrameFailure& failure) {
        ReportOnce(failure.kind, failure.what());
    }
    request_.preRenderFirst = true;
}

void Instance::update(double time, const uint32_t* in, uint32_t* out) {
    if (!in || !out) return;
    try {
        render(time, in, out);
        return;
    } catch (const FrameFailure& failure) {
        ReportOnce(failure.kind, failure.what());
    } catch (const std::exception& e) {
        const std::string why = dynamic_cast<const std::bad_alloc*>(&e) ? "out of memory" : e.what();
        const std::string text = "a " + SizeText(width_, height_) + " frame failed: " + why +
                                 "; it passes through unchanged";
        ReportOnce(text, text);
    }
    if (in != out) std::memmove(out, in, size_t(width_) * height_ * sizeof *out);
}

void Instance::render(double time, const uint32_t* in, uint32_t* out) {
    SharedEffect& effect = hold_.effect();
    request_.values = effect.mapping().effectValues(values_);
    request_.downsample_x = request_.downsample_y = ControlMapping::downsample(values_, width_);
    request_.time = HostTime(time);
    request_.worlds = &effect.worlds();
    const size_t pixels = size_t(width_) * height_;
    if (request_.input.width() != int64_t(width_) || request_.input.height() != int64_t(height_)) {
        const std::string size = SizeText(width_, height_);
        if (width_ > INT32_MAX || height_ > INT32_MAX)
            throw FrameFailure(size, "a " + size + " frame is too large; it passes through unchanged");
        // Throws std::invalid_argument for a row too long for the host's records.
        request_.input = hostsim::World({PF_PixelFormat_ARGB32, int32_t(width_), int32_t(height_), std::nullopt});
    }
    RgbaToArgb(in, pixels, request_.input.row(0));
    hostsim::FrameResult result = effect.render(request_);
    if (result.result != PF_Err_NONE) {
        const std::string text = hostsim::DescribeFailure("rendering a " + SizeText(width_, height_) + " frame",
                                                          result.result, result.out.return_msg,
                                                          sizeof result.out.return_msg) +
                                 "; such frames pass through unchanged";
        throw FrameFailure(text, text);
    }
    if (!result.guardsIntact()) {
        throw FrameFailure("guards", "the effect wrote outside its frame (" + result.guardDamage +
                                         "); such frames pass through unchanged");
    }
    ArgbToRgba(result.output.row(0), pixels, out);
    effect.worlds().give(std::move(result.output));
}

} // namespace irisplit_frei0r
