// The controls an effect declared at parameter setup, as a host reads them:
// names, valid ranges, defaults and popup choices.
#pragma once

#include "hostsim/Commands.h"

#include <string>
#include <vector>

namespace hostsim {

// A float slider or an angle, in the control's own units (an angle in degrees).
struct NumericControl {
    std::string name;
    double min = 0.0;
    double max = 0.0;
    double defaultValue = 0.0;
};

struct PopupControl {
    std::string name;
    std::vector<std::string> items; // in menu order; choice N is items[N - 1]
    int defaultChoice = 1;
};

struct DeclaredControls {
    // Reads the float sliders, angles and popups among the added parameters.
    explicit DeclaredControls(const std::vector<AddedParam>& added);

    // Null when the effect declared no such control.
    const NumericControl* numeric(const std::string& name) const;
    const PopupControl* popup(const std::string& name) const;

    std::vector<NumericControl> numerics;
    std::vector<PopupControl> popups;
};

} // namespace hostsim
