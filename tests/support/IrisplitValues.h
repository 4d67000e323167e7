// The Irisplit effect's five control values as a host hands them over: by
// parameter index, in the order the effect declares them.
#pragma once

#include "hostsim/Commands.h"

#include <cstdint>

namespace testsupport {

enum IrisplitControl : int32_t { kChannels = 1, kPosition, kRotation, kScale, kBlur };

// Channels a popup choice (1..3), position and blur in pixels, rotation in
// degrees, scale in percent.
inline hostsim::ControlValues IrisplitValues(int32_t channels, double position, double rotationDegrees,
                                             double scale, double blur)
{
    return {{kChannels, channels}, {kPosition, position}, {kRotation, rotationDegrees}, {kScale, scale}, {kBlur, blur}};
}

} // namespace testsupport
