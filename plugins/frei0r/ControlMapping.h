// How a frei0r host's parameter values become the effect's values.
//
// frei0r declares double parameters on 0 to 1, and GStreamer enforces that
// range (its element properties refuse anything outside), while ffmpeg and
// MLT pass any number on as it is. So each parameter takes 0 to 1 in every
// host and maps it linearly onto the effect's own valid range, read from its
// parameter setup: Position and Blur in pixels, Scale in percent, Rotation in
// degrees (one half turn either way), Channels 0, 0.5 and 1 for the three
// pairs. A value that is NaN or outside 0 to 1 fails the frame.
//
// A sixth parameter, Frame width, is the host's own: the width of the frame
// the values of Position and Blur are meant for, as value × 100000 pixels
// (0.0192 is 1920), 0 meaning the frame handed over. An editor that renders
// previews or proxies smaller than its project sets it to the project's
// width, and the effect is told the matching downsample factor, so the
// picture looks the same at every size.
#pragma once

#include "hostsim/Commands.h"
#include "hostsim/DeclaredControls.h"

#include <array>
#include <string>
#include <vector>

namespace irisplit_frei0r {

constexpr int kParamCount = 6;
using Frei0rValues = std::array<double, kParamCount>; // in frei0r's order, each 0 to 1

// The names frei0r hosts show and match (MLT by name, GStreamer in lower case).
const char* ParamName(int index);

class ControlMapping {
public:
    // Throws std::runtime_error when the effect declared a control this plug-in drives differently.
    explicit ControlMapping(const hostsim::DeclaredControls& declared);

    // The effect's defaults as frei0r values.
    Frei0rValues defaults() const;
    // The effect's values for one frame; throws FrameFailure for a value that
    // is NaN or outside 0 to 1.
    hostsim::ControlValues effectValues(const Frei0rValues& values) const;
    // The downsample factor for a frame `handedWidth` pixels wide: handed
    // width / Frame width, or 1 when Frame width is 0 (in range: see above).
    static PF_RationalScale downsample(const Frei0rValues& values, unsigned handedWidth);
    // The parameter in words, with its mapping in the effect's units.
    std::string explanation(int index) const;

private:
    struct Span { // the effect's values at frei0r's 0 and 1
        double at0 = 0.0;
        double at1 = 1.0;
        double effectValue(double value) const { return at0 + value * (at1 - at0); }
        double frei0rValue(double effectValue) const { return (effectValue - at0) / (at1 - at0); }
    };

    std::array<Span, kParamCount> spans_{};
    std::array<double, kParamCount> defaults_{}; // in the effect's units, Frame width in pixels
    std::array<int32_t, kParamCount> indexes_{}; // the effect's parameter indexes; Frame width has none
    std::vector<std::string> channelNames_;
};

} // namespace irisplit_frei0r
