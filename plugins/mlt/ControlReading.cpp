#include "ControlReading.h"

#include "plugins/bridge/FailureLog.h"

#include <sstream>
#include <stdexcept>
#include <string>

namespace irisplit_mlt {
namespace {

// The effect's numeric controls by the names it declares, with the filter's property names.
constexpr std::array<std::pair<const char*, const char*>, 4> kNumerics = {
    {{"Position", "position"}, {"Rotation", "rotation"}, {"Scale", "scale"}, {"Blur", "blur"}}};

std::string Number(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

} // namespace

ControlReading::ControlReading(const hostsim::DeclaredControls& declared) {
    const hostsim::PopupControl* channels = declared.popup("Channels");
    if (!channels || channels->items.size() < 2)
        throw std::runtime_error("the effect declared no usable \"Channels\" popup");
    // The popup's choices count from 1; the property counts from 0.
    controls_[0] = {"channels", 0.0, double(channels->items.size() - 1), double(channels->defaultChoice - 1),
                    channels->index};
    for (size_t i = 0; i < kNumerics.size(); ++i) {
        const auto [name, property] = kNumerics[i];
        const hostsim::NumericControl* control = declared.numeric(name);
        if (!control || !(control->max > control->min))
            throw std::runtime_error(std::string("the effect declared no usable \"") + name + "\" control");
        controls_[i + 1] = {property, control->min, control->max, control->defaultValue, control->index};
    }
}

hostsim::ControlValues ControlReading::valuesAt(mlt_properties properties, int position, int length) const {
    hostsim::ControlValues values;
    std::string names, problems;
    for (const Control& control : controls_) {
        const bool choice = &control == &controls_[0];
        double value = control.defaultValue;
        if (mlt_properties_get(properties, control.property)) {
            value = choice ? mlt_properties_anim_get_int(properties, control.property, position, length)
                           : mlt_properties_anim_get_double(properties, control.property, position, length);
        }
        if (value >= control.min && value <= control.max) {
            values[control.index] = value;
            continue;
        }
        names += std::string(names.empty() ? "" : ", ") + control.property;
        problems += std::string(problems.empty() ? "" : ", ") + control.property + " is " + Number(value) +
                    " (" + Number(control.min) + " to " + Number(control.max) + ")";
    }
    if (!names.empty())
        throw irisplit_bridge::FrameFailure(names + " out of range",
                                            problems + ": frames pass through unchanged until back in range");
    values[controls_[0].index] += 1.0;
    return values;
}

} // namespace irisplit_mlt
