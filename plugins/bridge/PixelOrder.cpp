#include "PixelOrder.h"

#include <cstring>

namespace irisplit_bridge {
namespace {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the rotations below assume little-endian words");

// As little-endian words, R G B A bytes read A<<24|B<<16|G<<8|R and A R G B
// bytes read B<<24|G<<16|R<<8|A: one is the other rotated by a byte.
inline uint32_t RotateLeft8(uint32_t word) { return (word << 8) | (word >> 24); }
inline uint32_t RotateRight8(uint32_t word) { return (word >> 8) | (word << 24); }

} // namespace

void RgbaToArgb(const uint32_t* rgba, size_t count, uint8_t* argb) {
    for (size_t i = 0; i < count; ++i) {
        const uint32_t word = RotateLeft8(rgba[i]);
        std::memcpy(argb + 4 * i, &word, 4);
    }
}

void ArgbToRgba(const uint8_t* argb, size_t count, uint32_t* rgba) {
    for (size_t i = 0; i < count; ++i) {
        uint32_t word;
        std::memcpy(&word, argb + 4 * i, 4);
        rgba[i] = RotateRight8(word);
    }
}

} // namespace irisplit_bridge
