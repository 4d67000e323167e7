// Reads the fuzzer's bytes as a stream of small decisions. Once the bytes run
// out every read gives 0, so a short input is a well-behaved host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace fuzz {

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool empty() const { return offset_ >= size_; }

    template <typename T> T read()
    {
        T value{};
        const size_t n = offset_ < size_ ? (size_ - offset_ < sizeof(T) ? size_ - offset_ : sizeof(T)) : 0;
        if (n > 0) {
            std::memcpy(&value, data_ + offset_, n);
            offset_ += n;
        }
        return value;
    }

    uint8_t byte() { return read<uint8_t>(); }
    bool flag() { return byte() & 1; }

    // A value in 0..count-1 (one byte for up to 256 choices, two above).
    uint32_t below(uint32_t count)
    {
        if (count == 0) {
            return 0;
        }
        return (count <= 256 ? byte() : read<uint16_t>()) % count;
    }

    template <typename T> T oneOf(std::initializer_list<T> choices)
    {
        return *(choices.begin() + below(static_cast<uint32_t>(choices.size())));
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t offset_ = 0;
};

} // namespace fuzz
