// How the MLT filter's properties become the effect's values: each property
// is in the effect's own units and read at the frame's position, so MLT's
// keyframe strings animate it. "channels" is 0, 1 or 2 for the effect's
// pairs in menu order (Red & Blue, Red & Green, Green & Blue); "position"
// and "blur" are pixels of the profile's frame, "rotation" degrees, "scale"
// percent. An unset property takes the effect's default; a value outside the
// range the effect declares fails the frame.
#pragma once

#include "hostsim/Commands.h"
#include "hostsim/DeclaredControls.h"

#include <framework/mlt.h>

#include <array>

namespace irisplit_mlt {

class ControlReading {
public:
    // Throws std::runtime_error when the effect declared a control this filter drives differently.
    explicit ControlReading(const hostsim::DeclaredControls& declared);

    // The effect's values at `position` of `length` frames; throws
    // FrameFailure for a value that is NaN or outside its range. The caller
    // holds the service's lock: reading keyframes caches them.
    hostsim::ControlValues valuesAt(mlt_properties properties, int position, int length) const;

private:
    struct Control {
        const char* property;
        double min, max, defaultValue;
        int32_t index; // the effect's parameter index
    };
    std::array<Control, 5> controls_{}; // channels first, in the effect's order
};

} // namespace irisplit_mlt
