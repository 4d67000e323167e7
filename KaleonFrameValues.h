// The per-frame values the render passes need, derived from the parameter
// records and the host's downsample factor.
#pragma once

#include "Kaleon.h"

struct FrameValues {
    double downsample;   // horizontal factor; scales position and blur on both axes
    int32_t mode;        // channel pair of the "Channels" popup
    double position;     // pixels
    double rotation;     // radians
    double scale;        // 1.0 leaves the size unchanged
    double radius;       // blur reach in pixels
    bool blurOn;         // run the two blur passes
    int32_t steps;       // taps on each side of the centre; only meaningful when blurOn
};

// Upper bound on the blur taps per side. The valid Blur range at full
// resolution needs at most 340; the bound only keeps a huge downsample
// factor from turning into an endless shader loop.
constexpr int32_t kMaxBlurSteps = 4096;

FrameValues ComputeFrameValues(const PF_ParamDef params[PARAM_COUNT],
                               PF_RationalScale downsampleX);
