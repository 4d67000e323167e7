// The effect module as one process shares it between frei0r instances:
// loaded, registered and set up (global setup, parameter setup) when the
// first holder asks for it, set down and unloaded when the last one lets go.
// f0r_init to f0r_deinit holds it, and so does every live instance, so a host
// that calls f0r_deinit before destroying its instances (or never) is served.
#pragma once

#include "ControlMapping.h"

#include "hostsim/HostSim.h"

#include <memory>
#include <optional>
#include <string>

namespace irisplit_frei0r {

class LoadedEffect {
public:
    // A module that cannot be loaded or set up is noted, not thrown: frames
    // then pass through, and the reason is reported once.
    explicit LoadedEffect(const std::string& modulePath);
    ~LoadedEffect(); // global setdown when global setup ran
    LoadedEffect(const LoadedEffect&) = delete;
    LoadedEffect& operator=(const LoadedEffect&) = delete;

    // Why the effect cannot render; empty when it can.
    const std::string& failure() const { return failure_; }
    const ControlMapping& mapping() const { return *mapping_; } // only when failure() is empty

    // One frame on the calling thread; any number of threads at once.
    hostsim::FrameResult render(const hostsim::FrameRequest& request);

private:
    void setUp(const std::string& modulePath);

    std::unique_ptr<hostsim::Host> host_;
    bool globalSetUp_ = false;
    std::optional<ControlMapping> mapping_;
    std::string failure_;
};

// A holder of the process's effect. Taking and letting go are serialised, so
// global setup and setdown never overlap; rendering takes no lock.
class EffectHold {
public:
    EffectHold();
    ~EffectHold();
    EffectHold(const EffectHold&) = delete;
    EffectHold& operator=(const EffectHold&) = delete;

    LoadedEffect& effect() const { return *effect_; }

private:
    LoadedEffect* effect_;
};

} // namespace irisplit_frei0r
