#include "MemorySettings.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include <unistd.h>

namespace irisplit {

uint64_t AvailableMemory()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string name;
    uint64_t kibibytes = 0;
    while (meminfo >> name >> kibibytes) {
        if (name == "MemAvailable:") {
            return kibibytes * 1024;
        }
        meminfo.ignore(64, '\n');
    }
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    return pages > 0 ? uint64_t(pages) * uint64_t(::sysconf(_SC_PAGESIZE)) : UINT64_MAX;
}

void RestartKeepingLargeBlocks(char** argv)
{
    constexpr const char* kKeepLargeBlocks = "glibc.malloc.arena_max=1:glibc.malloc.mmap_max=0:"
                                             "glibc.malloc.trim_threshold=4294967296:glibc.malloc.hugetlb=1";
    const char* given = std::getenv("GLIBC_TUNABLES");
    const std::string tunables = given ? given : "";
    std::error_code error;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe", error).string();
    if (tunables.find("glibc.malloc.") != std::string::npos || error) {
        return;
    }
    ::setenv("GLIBC_TUNABLES", (tunables.empty() ? "" : tunables + ":").append(kKeepLargeBlocks).c_str(), 1);
    ::execv(self.c_str(), argv);
    if (given) {
        ::setenv("GLIBC_TUNABLES", given, 1);
    } else {
        ::unsetenv("GLIBC_TUNABLES");
    }
}

} // namespace irisplit
