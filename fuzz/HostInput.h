// Turns fuzzer bytes into what a host hands the effect: a short run of
// commands, each with its records, worlds, parameter values and faults.
#pragma once

#include "fuzz/ByteReader.h"
#include "hostsim/Commands.h"

#include <vector>

namespace fuzz {

enum class StepKind {
    About, ParamsSetup, PreRender, Render, GlobalSetup, GlobalSetdown, OtherSelector,
    // Smart pre-render or render whose extra lacks records or callbacks.
    IncompleteExtra
};

struct Step {
    StepKind kind = StepKind::Render;
    hostsim::CommandSetup setup;          // About, ParamsSetup, Global*, OtherSelector
    hostsim::PreRenderRequest preRender;  // PreRender
    hostsim::FrameRequest frame;          // Render
    PF_Cmd selector = PF_Cmd_ABOUT;       // OtherSelector, IncompleteExtra
    uint8_t missing = 0;                  // IncompleteExtra: 1 input, 2 output, 4 callback table
};

// Worlds stay within these, so that every input runs in bounded memory and
// time (the simulator checks every guard byte of a world, one at a time);
// a 70000 x 1 float row still fits.
constexpr int64_t kMaxWorldBytes = 2 << 20;
constexpr int64_t kMaxWorldPixels = 1 << 17;
// Pixels times blur taps per side one frame may cost.
constexpr double kMaxBlurWork = double(1 << 22);

std::vector<Step> DecodeSteps(ByteReader& reader);

} // namespace fuzz
