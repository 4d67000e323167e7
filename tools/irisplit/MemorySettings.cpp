#include "MemorySettings.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

namespace irisplit {

namespace {

// The value of the line `name` in a /proc file of "Name: N kB" lines.
std::optional<uint64_t> KibibytesIn(const char* file, const std::string& name)
{
    std::ifstream lines(file);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string found;
        uint64_t kibibytes = 0;
        if (words >> found >> kibibytes && found == name) {
            return kibibytes;
        }
    }
    return std::nullopt;
}

// What the address space limit (ulimit -v) leaves this process.
uint64_t AddressSpaceLeft()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return UINT64_MAX;
    }
    const uint64_t used = KibibytesIn("/proc/self/status", "VmSize:").value_or(0) * 1024;
    return limit.rlim_cur > used ? limit.rlim_cur - used : 0;
}

} // namespace

uint64_t AvailableMemory()
{
    const std::optional<uint64_t> available = KibibytesIn("/proc/meminfo", "MemAvailable:");
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const uint64_t system = available            ? *available * 1024
                            : pages > 0 ? uint64_t(pages) * uint64_t(::sysconf(_SC_PAGESIZE))
                                        : UINT64_MAX;
    return std::min(system, AddressSpaceLeft());
}

void KeepLargeBlocks()
{
    const char* given = std::getenv("GLIBC_TUNABLES");
    if (given && std::strstr(given, "glibc.malloc.")) {
        return;
    }
    ::mallopt(M_ARENA_MAX, 1);
    ::mallopt(M_MMAP_MAX, 0);
    ::mallopt(M_TRIM_THRESHOLD, INT_MAX);
}

} // namespace irisplit
