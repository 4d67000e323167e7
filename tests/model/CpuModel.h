// An independent scalar CPU model of the effect's three GPU programs, in
// double precision, to hold rendered frames against: from a hostsim::World
// in, the five parameter values and the downsample factor, an expected image
// with, per component, the slack a conforming renderer may use.
//   const auto expected = cpumodel::ExpectedImage(input, cpumodel::FromHostValues(values, dsx));
//   EXPECT_TRUE(cpumodel::CompareWorld(expected, output).matches());
#pragma once

#include "host/HostTypes.h"
#include "hostsim/Commands.h"
#include "hostsim/World.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cpumodel {

// The parameter values of one frame as the effect receives them.
struct EffectInputs {
    int32_t channels = 1;                // popup value; 1 red & blue, 2 red & green, else green & blue
    double position = 0.0;               // pixels at full resolution
    PF_Fixed rotation = 0;               // 16.16 fixed-point degrees
    double scale = 100.0;                // percent
    double blur = 0.0;                   // pixels at full resolution
    PF_RationalScale downsampleX{1, 1};  // only the horizontal factor is used
};

// The simulator's per-frame values, all five given (rotation in degrees, converted
// exactly as the simulated host converts it), with the downsample factor of the frame.
EffectInputs FromHostValues(const hostsim::ControlValues& values, PF_RationalScale downsampleX);

// What the programs receive, in the single precision of their uniforms.
struct ProgramSettings {
    int32_t mode = 1;
    float position = 0.0f; // pixels
    float rotation = 0.0f; // radians
    float scale = 1.0f;
    float radius = 0.0f;   // blur reach in pixels
    bool blurOn = false;   // the two blur passes run
    int32_t steps = 0;     // taps on each side of the centre; only set when blurOn
    int32_t extraTaps = 0; // taps past +steps: a wrong blur, to show that it is seen
    float width = 0.0f;
    float height = 0.0f;
};

// Frame values for a width x height frame. A zero downsample denominator
// counts as full resolution; a radius that is not finite and above 0 means no
// blur. Meant for the radii a frame really uses (steps are not clamped).
ProgramSettings DeriveSettings(const EffectInputs& inputs, int32_t width, int32_t height);

// Four components per pixel in texture order, which is the host's memory
// order: alpha, red, green, blue. Values are in the programs' units (8-bit
// divided by 255, 16-bit by 65535, float as stored). A NaN value marks a
// component that no renderer is bound to (its sampling coordinate is not
// finite, e.g. the reciprocal of a zero scale). `slack` is how far a faithful
// renderer may stray from `value` because it filters with limited sub-texel
// precision: the sampling point's uncertainty in texels times the local slope
// of the bilinear surface, summed over every lookup that fed the value.
struct Image {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<std::array<double, 4>> value;
    std::vector<std::array<double, 4>> slack;

    Image() = default;
    Image(int32_t w, int32_t h);
    size_t index(int32_t x, int32_t y) const { return size_t(y) * size_t(width) + size_t(x); }
};

// Host units (8-bit 0..255, 16-bit 0..65535 as the texture reads them, float
// as stored) per program unit.
double HostUnit(PF_PixelFormat format);

// The input world as the programs see it after the upload.
Image TextureFromWorld(const hostsim::World& world);

// The offset pass and, when settings.blurOn, the two blur passes.
Image RunPrograms(const Image& texture, const ProgramSettings& settings);

// TextureFromWorld, DeriveSettings and RunPrograms in one.
Image ExpectedImage(const hostsim::World& input, const EffectInputs& inputs);

struct Comparison {
    size_t compared = 0;   // components held against the model
    size_t skipped = 0;    // components the model leaves free (NaN)
    size_t mismatches = 0;
    double worstError = 0.0; // largest |actual - expected| among compared components
    std::string firstMismatch;

    bool matches() const { return mismatches == 0; }
    std::string describe() const;
};

// Holds every component of `actual` (same size as `expected`) against the
// model converted to the world's format (clamped and scaled by 255 or 65535
// for the integer formats, as read back from a float framebuffer), within the
// bounds any conforming GPU meets (justified in ModelComparison.cpp).
Comparison CompareWorld(const Image& expected, const hostsim::World& actual);

} // namespace cpumodel
