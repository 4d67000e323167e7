// Renders the RGBA8888 frames both plug-ins are handed (straight alpha, bytes
// R G B A) through the shared effect, in the host's alpha-red-green-blue
// worlds. A frame that fails passes through unchanged, its failure reported
// once. One renderer serves one caller at a time; its frame-sized worlds come
// from the session's pool and go back to it after each frame.
#pragma once

#include "SharedEffect.h"

#include "hostsim/Commands.h"

#include <cstdint>
#include <functional>

namespace irisplit_bridge {

struct RgbaFrame {
    unsigned width = 0;
    unsigned height = 0;
    const uint32_t* in = nullptr; // width × height pixels
    uint32_t* out = nullptr;      // the same size; may be `in`
};

// What a plug-in tells the effect for one frame.
struct FrameSettings {
    hostsim::ControlValues values;
    PF_RationalScale downsample{1, 1}; // both axes
    hostsim::FrameTime time;
};

class RgbaRenderer {
public:
    RgbaRenderer();

    // `settings` runs first; a FrameFailure it throws passes the frame through too.
    void renderOrPassThrough(SharedEffect& effect, const RgbaFrame& frame,
                             const std::function<FrameSettings()>& settings);

private:
    void render(SharedEffect& effect, const RgbaFrame& frame, FrameSettings settings);

    hostsim::FrameRequest request_;
};

} // namespace irisplit_bridge
