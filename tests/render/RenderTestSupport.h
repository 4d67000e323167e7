// The loaded effect, ready to render, and the frames the rendering tests feed it.
#pragma once

#include "hostsim/HostSim.h"
#include "tests/model/CpuModel.h"
#include "tests/support/IrisplitValues.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

namespace rendertest {

using testsupport::IrisplitValues;

// The module loaded once per process, after global setup and parameter setup.
hostsim::Host& Effect();

// A width x height world of the format whose rows carry `padPixels` extra
// pixels of padding, filled with noise: 8-bit 0..255, 16-bit 0..32768,
// float -0.5..1.5.
hostsim::World NoiseWorld(PF_PixelFormat format, int32_t width, int32_t height,
                          int32_t padPixels, std::mt19937& random);

// The same with smooth waves of random direction and length, different in
// every channel: small slopes, so that the model's slack is small and an
// error of a fraction of a texel shows.
hostsim::World WaveWorld(PF_PixelFormat format, int32_t width, int32_t height,
                         int32_t padPixels, std::mt19937& random);

// A frame with every parameter drawn at random: every channel mode (0 to 7),
// positions and rotations both ways, scales of both signs and sometimes 0,
// blur half of the time, downsample 1/1 or 1/2.
hostsim::FrameRequest RandomFrame(hostsim::World input, std::mt19937& random);

// The rendered output agrees with the model of the request's frame.
::testing::AssertionResult MatchesModel(const hostsim::FrameRequest& request,
                                        const hostsim::FrameResult& result);

// The frame left nothing acquired, allocated or checked out, checked in all
// six parameter records and the input once it had checked anything out, hit
// no guard byte and left the input as it was.
::testing::AssertionResult EverythingReturned(const hostsim::FrameResult& result);

// Bits8, Bits16 or Float.
std::string FormatName(PF_PixelFormat format);

} // namespace rendertest
