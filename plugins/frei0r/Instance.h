// One frei0r instance: a frame size, its parameter values and the frame the
// effect renders from. A host calls one instance from one thread at a time;
// the frames of several instances render at the same time, on the shared
// effect's render threads.
#pragma once

#include "ControlMapping.h"

#include "plugins/bridge/RgbaRenderer.h"
#include "plugins/bridge/SharedEffect.h"

#include <cstdint>
#include <optional>

namespace irisplit_frei0r {

class Instance {
public:
    Instance(unsigned width, unsigned height);

    void setParam(int index, double value) { values_[index] = value; }
    double param(int index) const { return values_[index]; }

    // Renders `in` into `out` (both width × height RGBA8888; they may be the
    // same frame). A frame that fails passes through unchanged, and the
    // failure is reported once.
    void update(double time, const uint32_t* in, uint32_t* out);

private:
    // Throws FrameFailure while the effect is unusable.
    const ControlMapping& mapping();

    irisplit_bridge::EffectHold hold_;
    const unsigned width_;
    const unsigned height_;
    std::optional<ControlMapping> mapping_;
    Frei0rValues values_{};
    irisplit_bridge::RgbaRenderer renderer_;
};

} // namespace irisplit_frei0r
