#include "hostsim/ElfSection.h"

#include <elf.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace hostsim {
namespace {

struct Bytes {
    const std::vector<uint8_t>& file;
    const std::string& path;

    // A plain record at `offset`, refusing anything past the end of the file.
    template <typename T> T at(uint64_t offset) const {
        if (offset > file.size() || file.size() - offset < sizeof(T)) fail("record outside the file");
        T value;
        std::memcpy(&value, file.data() + offset, sizeof value);
        return value;
    }

    void checkRange(uint64_t offset, uint64_t size) const {
        if (offset > file.size() || file.size() - offset < size) fail("section outside the file");
    }

    [[noreturn]] void fail(const std::string& why) const {
        throw std::runtime_error(path + ": malformed ELF file: " + why);
    }
};

} // namespace

std::optional<std::vector<uint8_t>> ReadElfSection(const std::string& path, const std::string& sectionName) {
    // Checked before opening: opening a FIFO waits for a writer, and a device reads forever.
    std::error_code error;
    if (std::filesystem::exists(path, error) && !std::filesystem::is_regular_file(path, error))
        throw std::runtime_error(path + ": not a regular file");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path + ": cannot open");
    const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const Bytes bytes{file, path};

    const auto header = bytes.at<Elf64_Ehdr>(0);
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64 ||
        header.e_ident[EI_DATA] != ELFDATA2LSB)
        bytes.fail("not a 64-bit little-endian ELF file");
    if (header.e_shentsize != sizeof(Elf64_Shdr)) bytes.fail("unexpected section header size");
    if (header.e_shstrndx >= header.e_shnum) bytes.fail("no section name table");

    auto section = [&](uint64_t index) { return bytes.at<Elf64_Shdr>(header.e_shoff + index * sizeof(Elf64_Shdr)); };
    const Elf64_Shdr names = section(header.e_shstrndx);
    bytes.checkRange(names.sh_offset, names.sh_size);

    for (uint64_t i = 0; i < header.e_shnum; ++i) {
        const Elf64_Shdr candidate = section(i);
        if (candidate.sh_name >= names.sh_size) bytes.fail("section name outside the name table");
        const char* name = reinterpret_cast<const char*>(file.data() + names.sh_offset + candidate.sh_name);
        const size_t room = names.sh_size - candidate.sh_name;
        if (strnlen(name, room) == room || sectionName != name) continue;
        if (candidate.sh_type == SHT_NOBITS) return std::vector<uint8_t>(candidate.sh_size, 0);
        bytes.checkRange(candidate.sh_offset, candidate.sh_size);
        const auto begin = file.begin() + static_cast<std::ptrdiff_t>(candidate.sh_offset);
        return std::vector<uint8_t>(begin, begin + static_cast<std::ptrdiff_t>(candidate.sh_size));
    }
    return std::nullopt;
}

} // namespace hostsim
