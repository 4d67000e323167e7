#include "EffectControls.h"

#include "Errors.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace irisplit {
namespace {

// The fewest digits that read back as `value`: 2000.0001 is not shown as 2000.
std::string Number(double value)
{
    char text[32];
    for (int digits = 6;; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (digits == 17 || std::strtod(text, nullptr) == value) {
            return text;
        }
    }
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

} // namespace

// The controls as the effect declares them, so that a value it would refuse
// is refused before the module is loaded; a module of another build is
// checked against its own declarations once loaded.
EffectControls EffectControls::Known()
{
    hostsim::DeclaredControls known({});
    known.numerics = {{"Position", -2000.0, 2000.0, 0.5, 2},
                      {"Rotation", -32768.0, 32767.0, 0.0, 3}, // what 16.16 fixed-point degrees hold
                      {"Scale", -1000.0, 1000.0, 100.0, 4},
                      {"Blur", 0.0, 1000.0, 0.0, 5}};
    known.popups = {{"Channels", {"Red & Blue", "Red & Green", "Green & Blue"}, 1, 1}};
    return EffectControls(std::move(known));
}

EffectControls::EffectControls(hostsim::DeclaredControls declared) : declared_(std::move(declared))
{
    const hostsim::PopupControl* channels = declared_.popup("Channels");
    if (!channels || channels->items.empty()) {
        throw EffectError("the effect declared no \"Channels\" popup");
    }
    for (const std::string& item : channels->items) {
        channelChoices_.push_back(CommandLineChoice(item));
    }
    defaultChannels_ = channels->defaultChoice;
    for (const char* name : {"Position", "Rotation", "Scale", "Blur"}) {
        numeric(name);
    }
}

const hostsim::NumericControl& EffectControls::numeric(const std::string& name) const
{
    const hostsim::NumericControl* control = declared_.numeric(name);
    if (!control) {
        throw EffectError("the effect declared no \"" + name + "\" control");
    }
    return *control;
}

int32_t EffectControls::index(const std::string& controlName) const
{
    const hostsim::PopupControl* popup = declared_.popup(controlName);
    return popup ? popup->index : numeric(controlName).index;
}

std::string EffectControls::describe(const std::string& controlName) const
{
    const hostsim::NumericControl& control = numeric(controlName);
    return Number(control.min) + " to " + Number(control.max) + ", default " + Number(control.defaultValue);
}

int EffectControls::channelsChoice(const std::string& choice) const
{
    const auto found = std::find(channelChoices_.begin(), channelChoices_.end(), choice);
    if (found == channelChoices_.end()) {
        throw UsageError("--channels '" + choice + "' is not one of " + Listed(channelChoices_));
    }
    return int(found - channelChoices_.begin()) + 1;
}

void EffectControls::checkRange(const std::string& option, const std::string& controlName,
                                const AnimatedValue& value) const
{
    const hostsim::NumericControl& control = numeric(controlName);
    for (const AnimatedValue::Key& key : value.keys()) {
        if (key.value < control.min || key.value > control.max) {
            throw UsageError(option + " " + Number(key.value) + " is outside the valid range of " +
                             controlName + ", " + Number(control.min) + " to " + Number(control.max));
        }
    }
}

} // namespace irisplit
