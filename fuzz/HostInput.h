// Turns fuzzer bytes into what a host hands the effect: a short run of
// commands, each with its records, worlds, parameter values and faults.
#pragma once

#include "fuzz/ByteReader.h"
#include "hostsim/Commands.h"

#include <vector>

namespace fuzz {

enum class StepKind { About, ParamsSetup, PreRender, Render, GlobalSetup, GlobalSetdown, OtherSelector };

struct Step {
    StepKind kind = StepKind::Render;
    hostsim::CommandSetup setup;          // About, ParamsSetup, Global*, OtherSelector
    hostsim::PreRenderRequest preRender;  // PreRender
    hostsim::FrameRequest frame;          // Render
    PF_Cmd selector = PF_Cmd_ABOUT;       // OtherSelector
};

// Worlds stay within these, so that every input runs in bounded memory and time.
constexpr int64_t kMaxWorldBytes = 32 << 20;
constexpr int64_t kMaxWorldPixels = 1 << 20;
// Pixels times blur taps per side one frame may cost.
constexpr double kMaxBlurWork = double(1 << 24);

std::vector<Step> DecodeSteps(ByteReader& reader);

} // namespace fuzz
