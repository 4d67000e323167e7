// The effect's plug-in property list (PiPL): one description of its 12
// properties, and the resource bytes built from it at compile time. The Linux
// module carries the bytes in an ELF section; the Windows build turns the same
// bytes into its "PIPL" resource.
#pragma once

#include "Kaleon.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace pipl {

// Resource type "PIPL", id 16000, language English (United States).
constexpr uint16_t kResourceId = 16000;
constexpr uint16_t kResourceLanguage = 1033;

// A four-character code as the number whose little-endian bytes read it backwards.
constexpr uint32_t FourCharCode(const char (&code)[5])
{
    return uint32_t(uint8_t(code[0])) << 24 | uint32_t(uint8_t(code[1])) << 16 |
           uint32_t(uint8_t(code[2])) << 8 | uint32_t(uint8_t(code[3]));
}

enum class DataKind {
    Word32,         // one 32-bit number (codes included)
    VersionPair,    // two 16-bit numbers, major first
    InfoFlags,      // one 16-bit number, counted as 2 bytes, padded to 4 uncounted
    LengthPrefixed, // one length byte, then the text without a zero
    ZeroTerminated  // the text and a zero
};

struct Property {
    uint32_t key;
    DataKind kind;
    uint32_t number; // Word32 and InfoFlags; the major version of a VersionPair
    uint16_t minor;  // the minor version of a VersionPair
    const char* text;
};

constexpr Property Word32(const char (&key)[5], uint32_t value)
{
    return {FourCharCode(key), DataKind::Word32, value, 0, nullptr};
}
constexpr Property VersionPair(const char (&key)[5], uint16_t major, uint16_t minor)
{
    return {FourCharCode(key), DataKind::VersionPair, major, minor, nullptr};
}
constexpr Property InfoFlags(const char (&key)[5], uint16_t flags)
{
    return {FourCharCode(key), DataKind::InfoFlags, flags, 0, nullptr};
}
constexpr Property LengthPrefixed(const char (&key)[5], const char* text)
{
    return {FourCharCode(key), DataKind::LengthPrefixed, 0, 0, text};
}
constexpr Property ZeroTerminated(const char (&key)[5], const char* text)
{
    return {FourCharCode(key), DataKind::ZeroTerminated, 0, 0, text};
}

// Stored as "RVSe": the effect API version, in the pattern of ePVR for the list version.
inline constexpr Property kProperties[] = {
    Word32("kind", uint32_t(kEffectKind)),
    LengthPrefixed("name", "Irisplit 2.0"),
    LengthPrefixed("catg", "Tessarine"),
    ZeroTerminated("8664", "EffectMain"),
    VersionPair("ePVR", 2, 0),
    VersionPair("eSVR", kHostApiMajorVersion, kHostApiMinorVersion),
    Word32("eVER", kEffectVersion),
    InfoFlags("eINF", 0),
    Word32("eGLO", uint32_t(kEffectOutFlags)),
    Word32("eGL2", uint32_t(kEffectOutFlags2)),
    LengthPrefixed("eMNA", "Vantrel"),
    Word32("aeFL", uint32_t(kEffectReservedInfo)),
};

constexpr uint32_t kVendorCode = FourCharCode("8BIM");
// Records follow the header directly, so they sit 4-aligned only from the first one on.
constexpr std::size_t kHeaderSize = 10;       // reserved word, list version, property count
constexpr std::size_t kRecordHeaderSize = 16; // vendor, key, id, data length

constexpr std::size_t TextLength(const char* text)
{
    std::size_t length = 0;
    while (text[length] != '\0') {
        ++length;
    }
    return length;
}

constexpr std::size_t PadTo4(std::size_t size)
{
    return (size + 3) & ~std::size_t{3};
}

// The data length a record declares. Strings count their padding; the info
// flags count only their two bytes.
constexpr std::size_t DeclaredLength(const Property& property)
{
    switch (property.kind) {
    case DataKind::InfoFlags:
        return 2;
    case DataKind::LengthPrefixed:
        return PadTo4(1 + TextLength(property.text));
    case DataKind::ZeroTerminated:
        return PadTo4(TextLength(property.text) + 1);
    default:
        return 4;
    }
}

constexpr std::size_t EncodedSize()
{
    std::size_t size = kHeaderSize;
    for (const Property& property : kProperties) {
        size += kRecordHeaderSize + PadTo4(DeclaredLength(property));
    }
    return size;
}

using Bytes = std::array<uint8_t, EncodedSize()>;

class Writer {
public:
    constexpr explicit Writer(Bytes& bytes) : bytes_(bytes) {}

    constexpr void U8(uint8_t value) { bytes_[at_++] = value; }
    constexpr void U16(uint32_t value)
    {
        U8(uint8_t(value));
        U8(uint8_t(value >> 8));
    }
    constexpr void U32(uint32_t value)
    {
        U16(value & 0xFFFF);
        U16(value >> 16);
    }
    constexpr void Text(const char* text, std::size_t length)
    {
        for (std::size_t i = 0; i < length; ++i) {
            U8(uint8_t(text[i]));
        }
    }
    // Zeros are already there: moving on leaves padding behind.
    constexpr void PadFrom(std::size_t start, std::size_t size) { at_ = start + size; }
    constexpr std::size_t At() const { return at_; }

private:
    Bytes& bytes_;
    std::size_t at_ = 0;
};

constexpr void EncodeData(Writer& out, const Property& property)
{
    switch (property.kind) {
    case DataKind::Word32:
        out.U32(property.number);
        break;
    case DataKind::VersionPair:
        out.U16(property.number);
        out.U16(property.minor);
        break;
    case DataKind::InfoFlags:
        out.U16(property.number);
        break;
    case DataKind::LengthPrefixed: {
        const std::size_t length = TextLength(property.text);
        // A length that does not fit its byte stops the build here.
        out.U8(length <= 255 ? uint8_t(length) : throw "text too long for its length byte");
        out.Text(property.text, length);
        break;
    }
    case DataKind::ZeroTerminated:
        out.Text(property.text, TextLength(property.text) + 1);
        break;
    }
}

constexpr Bytes Encode()
{
    Bytes bytes{};
    Writer out(bytes);
    out.U16(1);
    out.U32(0);
    out.U32(uint32_t(std::size(kProperties)));
    for (const Property& property : kProperties) {
        out.U32(kVendorCode);
        out.U32(property.key);
        out.U32(0);
        out.U32(uint32_t(DeclaredLength(property)));
        const std::size_t start = out.At();
        EncodeData(out, property);
        out.PadFrom(start, PadTo4(DeclaredLength(property)));
    }
    return bytes;
}

inline constexpr Bytes kBytes = Encode();

} // namespace pipl
