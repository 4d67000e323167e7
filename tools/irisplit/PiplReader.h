// Reads a plug-in property list (PiPL) as the host finds it in the module.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace irisplit {

struct PiplProperty {
    std::string vendor; // four-character codes, as read (stored reversed)
    std::string key;
    int32_t id = 0;
    std::vector<uint8_t> data; // the declared data length
    // The value as the key's type reads it: text, version, code or number.
    std::string describe() const;
};

// Throws std::runtime_error when the bytes do not hold a whole list.
std::vector<PiplProperty> ReadPipl(const std::vector<uint8_t>& bytes);

} // namespace irisplit
