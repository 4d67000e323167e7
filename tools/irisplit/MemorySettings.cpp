#include "MemorySettings.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

namespace irisplit {

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
