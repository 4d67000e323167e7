#include "FailureLog.h"

#include <cstdio>
#include <mutex>
#include <set>

namespace irisplit_frei0r {

void ReportOnce(const std::string& kind, const std::string& message) {
    static std::mutex mutex;
    static std::set<std::string> reported;
    const std::lock_guard<std::mutex> lock(mutex);
    if (!reported.insert(kind).second) return;
    // One write per line, so that lines of other threads and of the host stay whole.
    const std::string line = "irisplit: " + message + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

} // namespace irisplit_frei0r
