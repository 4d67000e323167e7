#include "MemorySettings.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include <malloc.h>
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
