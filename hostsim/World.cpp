#include "hostsim/World.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>
#include <stdexcept>

namespace hostsim {
namespace {

uint8_t CanaryByte(size_t storageOffset) {
    return static_cast<uint8_t>(0xA5 ^ (storageOffset * 0x3B));
}

template <typename Pixel> PF_PixelFormat FormatOf();
template <> PF_PixelFormat FormatOf<PF_Pixel8>() { return PF_PixelFormat_ARGB32; }
template <> PF_PixelFormat FormatOf<PF_Pixel16>() { return PF_PixelFormat_ARGB64; }
template <> PF_PixelFormat FormatOf<PF_PixelFloat>() { return PF_PixelFormat_ARGB128; }

template <typename Component>
Component ToComponent(double value, double max) {
    if (!(value > 0.0)) return 0;
    return static_cast<Component>(std::lround(std::min(value, max)));
}

} // namespace

size_t PixelSize(PF_PixelFormat format) {
    switch (format) {
    case PF_PixelFormat_ARGB32: return sizeof(PF_Pixel8);
    case PF_PixelFormat_ARGB64: return sizeof(PF_Pixel16);
    case PF_PixelFormat_ARGB128: return sizeof(PF_PixelFloat);
    default: return 0;
    }
}

World::World() : World(WorldShape{}) {}

World::World(const WorldShape& shape) : format_(shape.format) {
    if (PixelSize(shape.format) == 0) throw std::invalid_argument("world: unknown pixel format");
    if (shape.width < 0 || shape.height < 0) throw std::invalid_argument("world: negative size");
    const int64_t tight = int64_t{shape.width} * int64_t(PixelSize(shape.format));
    const int64_t rowbytes = shape.rowbytes.value_or(tight);
    if (rowbytes < 0 || rowbytes > INT32_MAX) throw std::invalid_argument("world: rowbytes out of range");
    record_.width = shape.width;
    record_.height = shape.height;
    record_.rowbytes = static_cast<int32_t>(rowbytes);
    allocate();
}

// Walks only the guards, so that laying and checking them costs the guard
// bytes rather than a test per byte of a large frame.
template <typename RangeFn> void World::forEachGuardRange(RangeFn&& range) const {
    range(size_t{0}, kEdgeGuardBytes);
    const size_t rowbytes = size_t(record_.rowbytes);
    // Rows closer than their own pixels overlap: the whole buffer is pixels.
    if (rowbytes > pixelBytesInRow()) {
        for (int32_t y = 0; y < record_.height; ++y) {
            const size_t rowStart = kEdgeGuardBytes + size_t(y) * rowbytes;
            range(rowStart + pixelBytesInRow(), rowStart + rowbytes);
        }
    }
    range(kEdgeGuardBytes + bufferBytes(), storage_.size());
}

void World::allocate() {
    storage_.assign(kEdgeGuardBytes + bufferBytes() + kEdgeGuardBytes, 0);
    forEachGuardRange([this](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) storage_[i] = CanaryByte(i);
    });
    attach();
}

void World::becomeEmpty() {
    format_ = PF_PixelFormat_ARGB32;
    record_ = PF_EffectWorld{};
    allocate();
}

World::World(const World& other) : format_(other.format_), record_(other.record_), storage_(other.storage_) {
    attach();
}

World::World(World&& other) noexcept
    : format_(other.format_), record_(other.record_), storage_(std::move(other.storage_)) {
    attach();
    other.becomeEmpty();
}

World& World::operator=(const World& other) {
    if (this != &other) {
        format_ = other.format_;
        record_ = other.record_;
        storage_ = other.storage_;
        attach();
    }
    return *this;
}

World& World::operator=(World&& other) noexcept {
    if (this != &other) {
        format_ = other.format_;
        record_ = other.record_;
        storage_ = std::move(other.storage_);
        attach();
        other.becomeEmpty();
    }
    return *this;
}

void World::attach() {
    record_.data = storage_.data() + kEdgeGuardBytes;
    record_.platform_ref = this;
}

WorldShape World::shape() const {
    return WorldShape{format_, record_.width, record_.height, record_.rowbytes};
}

size_t World::pixelBytesInRow() const { return size_t(record_.width) * pixelSize(); }

size_t World::bufferBytes() const {
    if (record_.height == 0) return 0;
    const size_t rowbytes = size_t(record_.rowbytes);
    return size_t(record_.height - 1) * rowbytes + std::max(rowbytes, pixelBytesInRow());
}

uint8_t* World::row(int32_t y) {
    return storage_.data() + kEdgeGuardBytes + size_t(y) * size_t(record_.rowbytes);
}

const uint8_t* World::row(int32_t y) const {
    return storage_.data() + kEdgeGuardBytes + size_t(y) * size_t(record_.rowbytes);
}

void World::checkAccess(PF_PixelFormat wanted, int32_t x, int32_t y) const {
    if (wanted != format_) throw std::logic_error("world: pixel type does not match the format");
    if (x < 0 || y < 0 || x >= record_.width || y >= record_.height)
        throw std::logic_error("world: pixel outside the world");
}

template <typename Pixel> Pixel& World::pixel(int32_t x, int32_t y) {
    checkAccess(FormatOf<Pixel>(), x, y);
    return reinterpret_cast<Pixel*>(row(y))[x];
}

template <typename Pixel> const Pixel& World::pixel(int32_t x, int32_t y) const {
    checkAccess(FormatOf<Pixel>(), x, y);
    return reinterpret_cast<const Pixel*>(row(y))[x];
}

template PF_Pixel8& World::pixel<PF_Pixel8>(int32_t, int32_t);
template PF_Pixel16& World::pixel<PF_Pixel16>(int32_t, int32_t);
template PF_PixelFloat& World::pixel<PF_PixelFloat>(int32_t, int32_t);
template const PF_Pixel8& World::pixel<PF_Pixel8>(int32_t, int32_t) const;
template const PF_Pixel16& World::pixel<PF_Pixel16>(int32_t, int32_t) const;
template const PF_PixelFloat& World::pixel<PF_PixelFloat>(int32_t, int32_t) const;

std::array<double, 4> World::get(int32_t x, int32_t y) const {
    checkAccess(format_, x, y);
    const uint8_t* at = row(y) + size_t(x) * pixelSize();
    std::array<double, 4> argb{};
    for (size_t c = 0; c < 4; ++c) {
        if (format_ == PF_PixelFormat_ARGB32) {
            argb[c] = at[c];
        } else if (format_ == PF_PixelFormat_ARGB64) {
            uint16_t v;
            std::memcpy(&v, at + 2 * c, sizeof v);
            argb[c] = v;
        } else {
            float v;
            std::memcpy(&v, at + 4 * c, sizeof v);
            argb[c] = v;
        }
    }
    return argb;
}

void World::set(int32_t x, int32_t y, const std::array<double, 4>& argb) {
    checkAccess(format_, x, y);
    uint8_t* at = row(y) + size_t(x) * pixelSize();
    for (size_t c = 0; c < 4; ++c) {
        if (format_ == PF_PixelFormat_ARGB32) {
            at[c] = ToComponent<uint8_t>(argb[c], 255.0);
        } else if (format_ == PF_PixelFormat_ARGB64) {
            const uint16_t v = ToComponent<uint16_t>(argb[c], 65535.0);
            std::memcpy(at + 2 * c, &v, sizeof v);
        } else {
            const float v = static_cast<float>(argb[c]);
            std::memcpy(at + 4 * c, &v, sizeof v);
        }
    }
}

std::vector<uint8_t> World::packedPixels() const {
    std::vector<uint8_t> packed;
    packed.reserve(pixelBytesInRow() * size_t(record_.height));
    for (int32_t y = 0; y < record_.height; ++y) packed.insert(packed.end(), row(y), row(y) + pixelBytesInRow());
    return packed;
}

bool World::samePixels(const World& other) const {
    if (format_ != other.format_ || width() != other.width() || height() != other.height()) return false;
    for (int32_t y = 0; y < height(); ++y)
        if (std::memcmp(row(y), other.row(y), pixelBytesInRow()) != 0) return false;
    return true;
}

std::string World::guardDamage() const {
    std::ostringstream report;
    size_t damaged = 0;
    forEachGuardRange([&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            if (storage_[i] == CanaryByte(i)) continue;
            if (damaged < 4) {
                const long long offset = static_cast<long long>(i) - static_cast<long long>(kEdgeGuardBytes);
                report << (damaged ? ", " : "") << "byte " << offset << " from the first pixel";
            }
            ++damaged;
        }
    });
    if (damaged == 0) return {};
    return std::to_string(damaged) + " guard byte(s) overwritten: " + report.str() + (damaged > 4 ? ", ..." : "");
}

} // namespace hostsim
