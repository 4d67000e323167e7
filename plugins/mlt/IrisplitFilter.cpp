#include "IrisplitFilter.h"

#include "ControlReading.h"

#include "plugins/bridge/FailureLog.h"
#include "plugins/bridge/RgbaRenderer.h"
#include "plugins/bridge/SharedEffect.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <optional>

namespace irisplit_mlt {
namespace {

using irisplit_bridge::FrameSettings;

constexpr char kStateProperty[] = "_irisplit";

// What a filter keeps besides its properties: a hold on the effect, and the
// effect's controls once read.
class FilterState {
public:
    irisplit_bridge::SharedEffect& effect() { return hold_.effect(); }

    // Throws FrameFailure while the effect is unusable.
    const ControlReading& reading() {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!reading_) reading_.emplace(effect().read<ControlReading>());
        return *reading_;
    }

private:
    irisplit_bridge::EffectHold hold_;
    std::mutex mutex_;
    std::optional<ControlReading> reading_;
};

// Frame `position` at the profile's rate as the host's ticks, saturated.
hostsim::FrameTime HostTime(mlt_profile profile, mlt_position position) {
    hostsim::FrameTime time;
    const bool rated = profile && profile->frame_rate_num > 0 && profile->frame_rate_den > 0;
    time.time_scale = rated ? uint32_t(profile->frame_rate_num) : 25;
    time.time_step = rated ? profile->frame_rate_den : 1;
    constexpr double kMin = std::numeric_limits<int32_t>::min(), kMax = std::numeric_limits<int32_t>::max();
    time.current_time = int32_t(std::clamp(double(position) * time.time_step, kMin, kMax));
    return time;
}

// The frame handed over against the profile's width: 1 at the profile's size.
PF_RationalScale Downsample(mlt_profile profile, int width) {
    const double scale = mlt_profile_scale_width(profile, width);
    if (!(scale > 0.0) || scale == 1.0) return {1, 1};
    return {int32_t(width), uint32_t(std::max(1.0, std::round(width / scale)))};
}

FrameSettings SettingsFor(mlt_filter filter, mlt_frame frame, FilterState& state, int width) {
    const ControlReading& reading = state.reading();
    mlt_service service = MLT_FILTER_SERVICE(filter);
    mlt_profile profile = mlt_service_profile(service);
    const mlt_position position = mlt_filter_get_position(filter, frame);
    FrameSettings settings;
    {
        mlt_service_lock(service);
        struct Unlock {
            mlt_service service;
            ~Unlock() { mlt_service_unlock(service); }
        } const unlock{service};
        settings.values =
            reading.valuesAt(MLT_FILTER_PROPERTIES(filter), position, mlt_filter_get_length2(filter, frame));
    }
    settings.downsample = Downsample(profile, width);
    settings.time = HostTime(profile, position);
    return settings;
}

int GetImage(mlt_frame frame, uint8_t** image, mlt_image_format* format, int* width, int* height, int) {
    mlt_filter filter = static_cast<mlt_filter>(mlt_frame_pop_service(frame));
    *format = mlt_image_rgba;
    const int error = mlt_frame_get_image(frame, image, format, width, height, 1);
    if (error || *format != mlt_image_rgba || !*image || *width <= 0 || *height <= 0) return error;
    try {
        auto* state = static_cast<FilterState*>(mlt_properties_get_data(MLT_FILTER_PROPERTIES(filter), kStateProperty, nullptr));
        if (!state) return 0;
        // MLT's images are allocated for any pixel type: aligned for whole pixels.
        auto* pixels = reinterpret_cast<uint32_t*>(*image);
        const irisplit_bridge::RgbaFrame rgba{unsigned(*width), unsigned(*height), pixels, pixels};
        irisplit_bridge::RgbaRenderer renderer;
        renderer.renderOrPassThrough(state->effect(), rgba,
                                     [&] { return SettingsFor(filter, frame, *state, *width); });
    } catch (...) {
        irisplit_bridge::ReportCurrentException("a frame", "; it passes through unchanged");
    }
    return 0;
}

mlt_frame Process(mlt_filter filter, mlt_frame frame) {
    mlt_frame_push_service(frame, filter);
    mlt_frame_push_get_image(frame, GetImage);
    return frame;
}

void DeleteState(void* state) { delete static_cast<FilterState*>(state); }

} // namespace

mlt_filter NewIrisplitFilter(mlt_profile, mlt_service_type, const char*, const void*) {
    mlt_filter filter = mlt_filter_new();
    if (!filter) return nullptr;
    try {
        // Describing or creating the filter loads nothing: the effect opens with the first frame.
        auto* state = new FilterState;
        mlt_properties_set_data(MLT_FILTER_PROPERTIES(filter), kStateProperty, state, 0, DeleteState, nullptr);
    } catch (...) {
        irisplit_bridge::ReportCurrentException("creating the filter");
        mlt_filter_close(filter);
        return nullptr;
    }
    filter->process = Process;
    return filter;
}

} // namespace irisplit_mlt
