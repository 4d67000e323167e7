// Host-wide accounting shared by every command of one Host: suites handed
// out and taken back, and the handle store.
#pragma once

#include "hostsim/Handles.h"
#include "hostsim/HostSim.h"

#include <map>
#include <mutex>

namespace hostsim {

struct Host::Accounting {
    HandleStore handles;

    void countSuite(const SuiteKey& suite, int64_t delta);
    Leftovers leftovers() const;

private:
    mutable std::mutex mutex_;
    std::map<SuiteKey, int64_t> suites_; // acquires minus releases
};

} // namespace hostsim
