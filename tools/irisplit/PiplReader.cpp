#include "PiplReader.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace irisplit {
namespace {

class ByteReader {
public:
    explicit ByteReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

    uint32_t u16()
    {
        const std::vector<uint8_t> b = take(2);
        return uint32_t(b[0]) | uint32_t(b[1]) << 8;
    }
    uint32_t u32()
    {
        const uint32_t low = u16();
        return low | u16() << 16;
    }
    // A four-character code: its little-endian bytes read it backwards.
    std::string code()
    {
        const std::vector<uint8_t> b = take(4);
        return std::string{char(b[3]), char(b[2]), char(b[1]), char(b[0])};
    }
    std::vector<uint8_t> take(size_t size)
    {
        if (size > bytes_.size() - at_) {
            throw std::runtime_error("the PiPL ends inside a property");
        }
        std::vector<uint8_t> taken(bytes_.begin() + at_, bytes_.begin() + at_ + size);
        at_ += size;
        return taken;
    }
    // Data is padded to a multiple of 4 bytes; the padding may go uncounted.
    void skipPadding(size_t dataSize) { at_ = std::min(bytes_.size(), at_ + (4 - dataSize % 4) % 4); }

private:
    const std::vector<uint8_t>& bytes_;
    size_t at_ = 0;
};

uint32_t Word(const std::vector<uint8_t>& d, size_t at, size_t size)
{
    uint32_t value = 0;
    for (size_t i = 0; i < size && at + i < d.size(); ++i) {
        value |= uint32_t(d[at + i]) << (8 * i);
    }
    return value;
}

std::string Hex(uint32_t value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

} // namespace

std::string PiplProperty::describe() const
{
    if (key == "name" || key == "catg" || key == "eMNA") {
        const size_t length = data.empty() ? 0 : std::min<size_t>(data[0], data.size() - 1);
        return "\"" + std::string(data.begin() + (data.empty() ? 0 : 1), data.begin() + 1 + length) + "\"";
    }
    if (key == "8664" || key == "wx86" || key == "mi32") {
        std::string text;
        for (size_t i = 0; i < data.size() && data[i] != 0; ++i) {
            text += char(data[i]);
        }
        return "\"" + text + "\"";
    }
    if (data.size() == 4 && (key == "ePVR" || key == "eSVR" || key == "ePSV")) {
        return std::to_string(Word(data, 0, 2)) + "." + std::to_string(Word(data, 2, 2));
    }
    if (key == "kind" && data.size() == 4) {
        return std::string{char(data[3]), char(data[2]), char(data[1]), char(data[0])};
    }
    if (data.size() == 2 || data.size() == 4) {
        return Hex(Word(data, 0, data.size()), int(data.size() * 2));
    }
    std::string bytes;
    for (uint8_t b : data) {
        bytes += Hex(b, 2) + " ";
    }
    return bytes;
}

std::vector<PiplProperty> ReadPipl(const std::vector<uint8_t>& bytes)
{
    ByteReader in(bytes);
    in.u16(); // reserved
    in.u32(); // list version
    const uint32_t count = in.u32();
    std::vector<PiplProperty> properties;
    for (uint32_t i = 0; i < count; ++i) {
        PiplProperty property;
        property.vendor = in.code();
        property.key = in.code();
        property.id = int32_t(in.u32());
        property.data = in.take(in.u32());
        in.skipPadding(property.data.size());
        properties.push_back(std::move(property));
    }
    return properties;
}

} // namespace irisplit
