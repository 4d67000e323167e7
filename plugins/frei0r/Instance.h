// One frei0r instance: a frame size, its parameter values and the frame the
// effect renders from. A host calls one instance from one thread at a time;
// the frames of several instances render at the same time, on the shared
// effect's render threads.
#pragma once

#include "ControlMapping.h"
#include "SharedEffect.h"

#include "hostsim/Commands.h"

#include <cstdint>

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
    void render(double time, const uint32_t* in, uint32_t* out);

    EffectHold hold_;
    const unsigned width_;
    const unsigned height_;
    Frei0rValues values_{};
    hostsim::FrameRequest request_; // its input world serves frame after frame
};

} // namespace irisplit_frei0r
