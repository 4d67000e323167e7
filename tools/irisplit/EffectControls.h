// The effect's controls: the names, ranges and popup choices the command line
// is checked against, as irisplit knows them before it loads the effect and
// as the effect declares them at parameter setup.
#pragma once

#include "Keyframes.h"

#include "hostsim/DeclaredControls.h"

#include <string>
#include <vector>

namespace irisplit {

class EffectControls {
public:
    // The Irisplit effect's controls as irisplit knows them.
    static EffectControls Known();
    // Throws EffectError when a control irisplit drives is missing.
    explicit EffectControls(hostsim::DeclaredControls declared);

    // "-2000 to 2000, default 0.5" for the help text.
    std::string describe(const std::string& controlName) const;

    // The popup choice (1-based) whose name, lower-cased with " & " as "-",
    // is `choice` ("red-blue" for "Red & Blue"); throws UsageError otherwise.
    int channelsChoice(const std::string& choice) const;

    int defaultChannels() const { return defaultChannels_; }
    // The parameter index the effect declared the control at.
    int32_t index(const std::string& controlName) const;
    double defaultValue(const std::string& controlName) const { return numeric(controlName).defaultValue; }

    // Throws UsageError naming `option` and the control's range when a value
    // (or keyframe) falls outside it.
    void checkRange(const std::string& option, const std::string& controlName,
                    const AnimatedValue& value) const;

private:
    const hostsim::NumericControl& numeric(const std::string& name) const;

    hostsim::DeclaredControls declared_;
    std::vector<std::string> channelChoices_; // command-line spellings, in popup order
    int defaultChannels_ = 1;
};

} // namespace irisplit
