#include "hostsim/Accounting.h"

namespace hostsim {

void Host::Accounting::countSuite(const SuiteKey& suite, int64_t delta) {
    std::lock_guard<std::mutex> lock(mutex_);
    suites_[suite] += delta;
}

Leftovers Host::Accounting::leftovers() const {
    Leftovers left;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [suite, held] : suites_)
            if (held != 0) left.suites[suite] = held;
    }
    left.handles = handles.live();
    left.lockedHandles = handles.locked();
    return left;
}

} // namespace hostsim
