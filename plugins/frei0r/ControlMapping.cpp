#include "ControlMapping.h"

#include "plugins/bridge/FailureLog.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <sstream>
#include <stdexcept>

namespace irisplit_frei0r {
namespace {

using irisplit_bridge::FrameFailure;

enum Param { kChannels, kPosition, kRotation, kScale, kBlur, kFrameWidth };

struct ParamWords {
    const char* name;
    const char* what;
    const char* unit;
};

constexpr ParamWords kWords[kParamCount] = {
    {"Channels", "The colour pair that moves apart; the third channel stays where it is", ""},
    {"Position", "How far the pair moves apart along both axes, the two channels opposite ways", "pixels"},
    {"Rotation", "How far the pair turns about the frame centre, the two channels opposite ways", "degrees"},
    {"Scale", "Size of one channel of the pair about the frame centre; the other gets the reciprocal", "percent"},
    {"Blur", "Gaussian blur of the moved pair only", "pixels"},
    {"Frame width", "Width of the frame that Position and Blur are meant for, so that smaller previews look the same",
     "pixels"},
};

// Frame width: the value times 100000 pixels, rounded to whole pixels.
constexpr double kFrameWidthAt1 = 100000.0;

// Every angle is reached within half a turn either way.
constexpr double kHalfTurn = 180.0;

std::string Number(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

const hostsim::NumericControl& Numeric(const hostsim::DeclaredControls& declared, const char* name) {
    const hostsim::NumericControl* control = declared.numeric(name);
    if (!control || !(control->max > control->min))
        throw std::runtime_error(std::string("the effect declared no usable \"") + name + "\" control");
    return *control;
}

} // namespace

const char* ParamName(int index) { return kWords[index].name; }

ControlMapping::ControlMapping(const hostsim::DeclaredControls& declared) {
    const hostsim::PopupControl* channels = declared.popup(kWords[kChannels].name);
    if (!channels || channels->items.size() < 2)
        throw std::runtime_error("the effect declared no usable \"Channels\" popup");
    channelNames_ = channels->items;
    spans_[kChannels] = {1.0, double(channelNames_.size())};
    defaults_[kChannels] = channels->defaultChoice;
    indexes_[kChannels] = channels->index;
    for (const Param param : {kPosition, kRotation, kScale, kBlur}) {
        const hostsim::NumericControl& control = Numeric(declared, kWords[param].name);
        spans_[param] = {control.min, control.max};
        defaults_[param] = control.defaultValue;
        indexes_[param] = control.index;
    }
    spans_[kFrameWidth] = {0.0, kFrameWidthAt1};
    Span& rotation = spans_[kRotation];
    rotation = {std::max(rotation.at0, -kHalfTurn), std::min(rotation.at1, kHalfTurn)};
}

Frei0rValues ControlMapping::defaults() const {
    Frei0rValues values{};
    for (int i = 0; i < kParamCount; ++i) values[i] = std::clamp(spans_[i].frei0rValue(defaults_[i]), 0.0, 1.0);
    return values;
}

hostsim::ControlValues ControlMapping::effectValues(const Frei0rValues& values) const {
    std::string names, problems;
    for (int i = 0; i < kParamCount; ++i) {
        if (values[i] >= 0.0 && values[i] <= 1.0) continue;
        names += std::string(names.empty() ? "" : ", ") + kWords[i].name;
        problems += std::string(problems.empty() ? "" : ", ") + kWords[i].name + " is " + Number(values[i]);
    }
    if (!names.empty())
        throw FrameFailure(names + " out of range",
                           problems + ": outside 0 to 1; frames pass through unchanged until back in range");
    hostsim::ControlValues effect{{indexes_[kChannels], std::round(spans_[kChannels].effectValue(values[kChannels]))}};
    for (const Param param : {kPosition, kRotation, kScale, kBlur})
        effect[indexes_[param]] = spans_[param].effectValue(values[param]);
    return effect;
}

PF_RationalScale ControlMapping::downsample(const Frei0rValues& values, unsigned handedWidth) {
    const double frameWidth = std::round(values[kFrameWidth] * kFrameWidthAt1);
    if (frameWidth < 1.0 || handedWidth > INT32_MAX) return {1, 1};
    return {int32_t(handedWidth), uint32_t(frameWidth)};
}

std::string ControlMapping::explanation(int index) const {
    const ParamWords& words = kWords[index];
    if (index == kChannels) {
        std::string text = std::string(words.what) + ":";
        const double steps = double(channelNames_.size() - 1);
        for (size_t i = 0; i < channelNames_.size(); ++i)
            text += (i ? ", " : " ") + Number(double(i) / steps) + " = " + channelNames_[i];
        return text;
    }
    if (index == kFrameWidth)
        return std::string(words.what) +
               ": the value times 100000 pixels, rounded to whole pixels (0.0192 is 1920); 0, the default, is the "
               "frame handed over";
    const Span& span = spans_[index];
    const std::string unit = std::string(" ") + words.unit;
    return std::string(words.what) + ": 0 to 1 is " + Number(span.at0) + " to " + Number(span.at1) + unit +
           " (default " + Number(defaults()[index]) + ", which is " + Number(defaults_[index]) + unit + ")";
}

} // namespace irisplit_frei0r
