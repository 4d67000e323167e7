// A host-owned image buffer in one of the three pixel formats, with canary
// bytes wherever the effect must not write: in front of the first row, after
// every row's pixels up to the row pitch, and after the last row.
#pragma once

#include "host/HostTypes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hostsim {

// Bytes per pixel of a format; 0 for a code that is none of the three.
size_t PixelSize(PF_PixelFormat format);

// What a world looks like before it holds pixels.
struct WorldShape {
    PF_PixelFormat format = PF_PixelFormat_ARGB32;
    int32_t width = 0;
    int32_t height = 0;
    // Row pitch in bytes; none means width × pixel size. Any value >= 0 is
    // taken as given, so fault tests can hand over a pitch that is too small
    // or not a multiple of the pixel size.
    std::optional<int32_t> rowbytes;
};

class World {
public:
    static constexpr size_t kEdgeGuardBytes = 64;

    World(); // 0 × 0, 8-bit
    explicit World(const WorldShape& shape); // pixels zero; throws std::invalid_argument
    World(const World& other);
    World(World&& other) noexcept;
    World& operator=(const World& other);
    World& operator=(World&& other) noexcept;
    ~World() = default;

    WorldShape shape() const;
    PF_PixelFormat format() const { return format_; }
    int32_t width() const { return record_.width; }
    int32_t height() const { return record_.height; }
    int32_t rowbytes() const { return record_.rowbytes; }
    size_t pixelSize() const { return PixelSize(format_); }

    // The record handed to the effect; its platform_ref names this world.
    PF_EffectWorld* record() { return &record_; }
    const PF_EffectWorld* record() const { return &record_; }

    // Start of row y (y in 0..height-1).
    uint8_t* row(int32_t y);
    const uint8_t* row(int32_t y) const;

    // Typed pixel access; throws std::logic_error when the type does not
    // match the world's format or the coordinates are outside the world.
    template <typename Pixel> Pixel& pixel(int32_t x, int32_t y);
    template <typename Pixel> const Pixel& pixel(int32_t x, int32_t y) const;

    // Alpha, red, green, blue in the format's own units (8-bit 0..255,
    // 16-bit 0..32768, float as stored). set() rounds and clamps for the
    // integer formats.
    std::array<double, 4> get(int32_t x, int32_t y) const;
    void set(int32_t x, int32_t y, const std::array<double, 4>& argb);

    // The pixel bytes of every row (no padding), row after row.
    std::vector<uint8_t> packedPixels() const;
    // Same format, size and pixel bytes (padding and pitch aside).
    bool samePixels(const World& other) const;

    // Canary check: empty when every guard byte is intact, otherwise a short
    // description of the first damaged bytes.
    std::string guardDamage() const;
    bool guardsIntact() const { return guardDamage().empty(); }

private:
    void allocate();    // sizes the storage for record_ and lays the canaries
    void becomeEmpty(); // 0 × 0, what a moved-from world is left as
    void attach();      // points the record at this object's buffer
    size_t pixelBytesInRow() const;
    size_t bufferBytes() const; // from the first row's start to the last row's end
    // Calls range(begin, end) for each run of guard bytes, as storage
    // offsets in ascending order: front guard, row padding, back guard.
    template <typename RangeFn> void forEachGuardRange(RangeFn&& range) const;
    void checkAccess(PF_PixelFormat wanted, int32_t x, int32_t y) const;

    PF_PixelFormat format_ = PF_PixelFormat_ARGB32;
    PF_EffectWorld record_{};
    std::vector<uint8_t> storage_; // front guard, rows, back guard
};

} // namespace hostsim
