#include "Instance.h"

#include "plugins/bridge/FailureLog.h"

#include <algorithm>
#include <cmath>
#include <limits>

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

} // namespace

Instance::Instance(unsigned width, unsigned height) : width_(width), height_(height) {
    try {
        values_ = mapping().defaults();
    } catch (const irisplit_bridge::FrameFailure& failure) {
        irisplit_bridge::ReportOnce(failure.kind, failure.what());
    }
}

const ControlMapping& Instance::mapping() {
    if (!mapping_) mapping_.emplace(hold_.effect().read<ControlMapping>());
    return *mapping_;
}

void Instance::update(double time, const uint32_t* in, uint32_t* out) {
    renderer_.renderOrPassThrough(hold_.effect(), {width_, height_, in, out}, [&] {
        return irisplit_bridge::FrameSettings{mapping().effectValues(values_),
                                              ControlMapping::downsample(values_, width_), HostTime(time)};
    });
}

} // namespace irisplit_frei0r
