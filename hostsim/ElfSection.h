// Reads one named section of a 64-bit little-endian ELF file, the way a host
// finds the PiPL of a Linux module without running any of its code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hostsim {

// The section's bytes; none when the file has no section of that name.
// Throws std::runtime_error when the file cannot be read or is not a
// well-formed ELF64 file.
std::optional<std::vector<uint8_t>> ReadElfSection(const std::string& path, const std::string& sectionName);

} // namespace hostsim
