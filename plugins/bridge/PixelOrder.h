// The plug-ins' RGBA8888 frames against the host's 8-bit alpha-red-green-blue
// pixels: the same four bytes in another order, straight alpha both ways.
#pragma once

#include <cstddef>
#include <cstdint>

namespace irisplit_bridge {

// Each converts `count` pixels in one pass; the ranges must not overlap.
void RgbaToArgb(const uint32_t* rgba, size_t count, uint8_t* argb);
void ArgbToRgba(const uint8_t* argb, size_t count, uint32_t* rgba);

} // namespace irisplit_bridge
