// The controls an effect declared at parameter setup, as a host reads them:
// the definitions by parameter index, and names, valid ranges, defaults and
// popup choices. The effect's n-th accepted add_param call declares
// parameter n; parameter 0 is the host's input layer.
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
    int32_t index = 0; // the parameter index
};

struct PopupControl {
    std::string name;
    std::vector<std::string> items; // in menu order; choice N is items[N - 1]
    int defaultChoice = 1;
    int32_t index = 0;
};

struct DeclaredControls {
    // Reads the accepted parameters; the float sliders, angles and popups
    // among them are described.
    explicit DeclaredControls(const std::vector<AddedParam>& added);

    // Null when the effect declared no such control.
    const NumericControl* numeric(const std::string& name) const;
    const PopupControl* popup(const std::string& name) const;

    std::vector<AddedParam> params; // params[n - 1] declares parameter n
    std::vector<NumericControl> numerics;
    std::vector<PopupControl> popups;
};

} // namespace hostsim
