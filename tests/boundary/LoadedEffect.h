// The effect module as a host loads it, shared by the tests of one executable.
#pragma once

#include "hostsim/HostSim.h"

#include <gtest/gtest.h>

inline hostsim::Host& LoadedEffect()
{
    static hostsim::Host host(IRX_MODULE_FILE, {}, hostsim::Checking::On);
    return host;
}

// A command left nothing acquired, allocated or checked out.
inline ::testing::AssertionResult LeftNothingBehind(const hostsim::CommandResult& result)
{
    if (result.leftovers.clean() && result.misuse.empty()) {
        return ::testing::AssertionSuccess();
    }
    std::string misuse;
    for (const std::string& line : result.misuse) {
        misuse += line + "\n";
    }
    return ::testing::AssertionFailure() << result.leftovers.describe() << misuse;
}
