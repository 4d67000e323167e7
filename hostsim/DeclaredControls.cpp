#include "hostsim/DeclaredControls.h"

#include <algorithm>
#include <sstream>

namespace hostsim {
namespace {

// The items of a popup's "A|B|C" list.
std::vector<std::string> PopupItems(const std::string& names) {
    std::vector<std::string> items;
    std::istringstream list(names);
    std::string item;
    while (std::getline(list, item, '|')) items.push_back(item);
    return items;
}

// Float sliders carry their own valid range; an angle with no range (0 to 0)
// accepts anything its 16.16 fixed-point degrees can hold.
NumericControl DescribeNumeric(const PF_ParamDef& def, int32_t index) {
    NumericControl control;
    control.name = def.name;
    control.index = index;
    if (def.param_type == PF_Param_ANGLE) {
        const PF_AngleDef& angle = def.u.ad;
        const bool unbounded = angle.valid_min == 0 && angle.valid_max == 0;
        control.min = unbounded ? -32768.0 : angle.valid_min / 65536.0;
        control.max = unbounded ? 32767.0 : angle.valid_max / 65536.0;
        control.defaultValue = angle.dephault / 65536.0;
    } else {
        const PF_FloatSliderDef& slider = def.u.fs_d;
        control.min = slider.valid_min;
        control.max = slider.valid_max;
        control.defaultValue = slider.dephault;
    }
    return control;
}

template <typename Control>
const Control* FindNamed(const std::vector<Control>& controls, const std::string& name) {
    const auto found = std::find_if(controls.begin(), controls.end(), [&](const Control& c) { return c.name == name; });
    return found == controls.end() ? nullptr : &*found;
}

} // namespace

DeclaredControls::DeclaredControls(const std::vector<AddedParam>& added) {
    for (const AddedParam& param : added) {
        if (param.result != PF_Err_NONE) continue;
        params.push_back(param);
        const int32_t index = int32_t(params.size());
        const PF_ParamDef& def = param.def;
        if (def.param_type == PF_Param_POPUP) {
            popups.push_back({def.name, PopupItems(param.popupNames), def.u.pd.dephault, index});
        } else if (def.param_type == PF_Param_ANGLE || def.param_type == PF_Param_FLOAT_SLIDER) {
            numerics.push_back(DescribeNumeric(def, index));
        }
    }
}

const NumericControl* DeclaredControls::numeric(const std::string& name) const { return FindNamed(numerics, name); }

const PopupControl* DeclaredControls::popup(const std::string& name) const { return FindNamed(popups, name); }

} // namespace hostsim
