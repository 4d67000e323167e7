// The effect module loaded into the simulated host for one irisplit command:
// global setup on request, global setdown when done.
#pragma once

#include "hostsim/HostSim.h"

#include <string>
#include <vector>

namespace irisplit {

class EffectHost {
public:
    // Loads the module; throws FileError when it cannot be loaded.
    explicit EffectHost(const std::string& modulePath);
    ~EffectHost(); // global setdown, if global setup ran and finish() did not
    EffectHost(const EffectHost&) = delete;
    EffectHost& operator=(const EffectHost&) = delete;

    hostsim::Host& host() { return host_; }

    // Each throws EffectError when the effect returns an error.
    hostsim::CommandResult globalSetup();
    hostsim::ParamsSetupResult paramsSetup();
    void finish(); // global setdown

private:
    hostsim::Host host_;
    bool setUp_ = false;
};

} // namespace irisplit
