#include "EffectControls.h"

#include "Errors.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace irisplit {
namespace {

std::string Number(double value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

// "Red & Blue" -> "red-blue".
std::string CommandLineChoice(const std::string& popupItem)
{
    std::string choice;
    for (size_t i = 0; i < popupItem.size(); ++i) {
        if (popupItem.compare(i, 3, " & ") == 0) {
            choice += '-';
            i += 2;
        } else {
            choice += char(std::tolower(static_cast<unsigned char>(popupItem[i])));
        }
    }
    return choice;
}

// The items of a popup's "A|B|C" list.
std::vector<std::string> PopupItems(const std::string& names)
{
    std::vector<std::string> items;
    std::istringstream list(names);
    std::string item;
    while (std::getline(list, item, '|')) {
        items.push_back(item);
    }
    return items;
}

// Float sliders carry their own valid range; an angle with no range (0 to 0)
// accepts anything its 16.16 fixed-point degrees can hold.
NumericControl DescribeNumeric(const PF_ParamDef& def)
{
    NumericControl control;
    control.name = def.name;
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

} // namespace

EffectControls::EffectControls(const std::vector<hostsim::AddedParam>& declared)
{
    for (const hostsim::AddedParam& added : declared) {
        if (added.def.param_type == PF_Param_POPUP && std::string(added.def.name) == "Channels") {
            for (const std::string& item : PopupItems(added.popupNames)) {
                channelChoices_.push_back(CommandLineChoice(item));
            }
            defaultChannels_ = added.def.u.pd.dephault;
        } else if (added.def.param_type == PF_Param_ANGLE || added.def.param_type == PF_Param_FLOAT_SLIDER) {
            numeric_.push_back(DescribeNumeric(added.def));
        }
    }
    if (channelChoices_.empty()) {
        throw EffectError("the effect declared no \"Channels\" popup");
    }
    for (const char* name : {"Position", "Rotation", "Scale", "Blur"}) {
        numeric(name);
    }
}

const NumericControl& EffectControls::numeric(const std::string& name) const
{
    const auto found = std::find_if(numeric_.begin(), numeric_.end(),
                                    [&](const NumericControl& c) { return c.name == name; });
    if (found == numeric_.end()) {
        throw EffectError("the effect declared no \"" + name + "\" control");
    }
    return *found;
}

int EffectControls::channelsChoice(const std::string& choice) const
{
    const auto found = std::find(channelChoices_.begin(), channelChoices_.end(), choice);
    if (found == channelChoices_.end()) {
        std::string known;
        for (const std::string& c : channelChoices_) {
            known += (known.empty() ? "" : ", ") + c;
        }
        throw UsageError("--channels '" + choice + "' is not one of " + known);
    }
    return int(found - channelChoices_.begin()) + 1;
}

void EffectControls::checkRange(const std::string& option, const std::string& controlName,
                                const AnimatedValue& value) const
{
    const NumericControl& control = numeric(controlName);
    for (const AnimatedValue::Key& key : value.keys()) {
        if (key.value < control.min || key.value > control.max) {
            throw UsageError(option + " " + Number(key.value) + " is outside the valid range of " +
                             controlName + ", " + Number(control.min) + " to " + Number(control.max));
        }
    }
}

} // namespace irisplit
