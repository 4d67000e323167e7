// The effect as one process shares it between the instances of a plug-in:
// one host session, opened when the effect is first described or renders,
// and closed (set down, its render threads ended, the module unloaded) when
// the last holder lets go. Every live instance holds it, and so may the
// plug-in itself (frei0r's f0r_init to f0r_deinit), so a host that lets go
// of the plug-in before destroying its instances (or never) is served.
//
// Describing the effect loads the module and reads its controls, which needs
// no graphics; OpenGL starts with the first frame, on the session's own
// render threads. A step that fails is tried again by the next frame; a
// failed global setup, which starts OpenGL, at most once a second, so that a
// host that keeps sending frames keeps paying little for it.
#pragma once

#include "FailureLog.h"

#include "hostsim/Session.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace irisplit_bridge {

// Defined once by each plug-in built on the bridge.
struct PluginDescription {
    const char* name;             // the host name the effect is told
    const char* moduleFromPlugin; // the module's folder, relative to the plug-in's real file's
};
extern const PluginDescription kPlugin;

// The file this plug-in was loaded from, as the host named it; throws
// std::runtime_error when that cannot be told.
std::string PluginFile();

class SharedEffect {
public:
    SharedEffect() = default;
    ~SharedEffect(); // global setdown when set up, its failure reported
    SharedEffect(const SharedEffect&) = delete;
    SharedEffect& operator=(const SharedEffect&) = delete;

    // The effect's controls. Throws FrameFailure when the module cannot be
    // loaded or described.
    const hostsim::DeclaredControls& controls();
    // A plug-in's reading of the controls, Reading(controls()); what either
    // throws becomes a FrameFailure.
    template <typename Reading> Reading read() {
        const hostsim::DeclaredControls& declared = controls();
        try {
            return Reading(declared);
        } catch (const std::exception& e) {
            throw UnusableEffect(e);
        }
    }
    // One frame on the session's render threads, the effect set up first if
    // needed; any number of callers at once. Throws FrameFailure when the
    // effect cannot be set up.
    hostsim::FrameResult render(const hostsim::FrameRequest& request);
    // The session's frame-sized worlds; once controls() has succeeded.
    hostsim::WorldPool& worlds();

private:
    // Global setup with the effect's output kept back: passed on when it
    // succeeds, its reason in the FrameFailure thrown when it fails.
    void setUp();
    // Under mutex_:
    hostsim::Session& openSession();
    const hostsim::DeclaredControls& controlsLocked();

    std::mutex mutex_;
    std::unique_ptr<hostsim::Session> session_;
    const hostsim::DeclaredControls* controls_ = nullptr; // the session's, once described
    std::atomic<bool> ready_{false};
    std::optional<FrameFailure> setUpFailure_; // the last attempt's, until nextSetUp_
    std::chrono::steady_clock::time_point nextSetUp_;
};

// A holder of the process's effect. Taking and letting go are serialised, so
// the effect is never closed while it is being taken.
class EffectHold {
public:
    EffectHold();
    ~EffectHold();
    EffectHold(const EffectHold&) = delete;
    EffectHold& operator=(const EffectHold&) = delete;

    SharedEffect& effect() const { return *effect_; }

private:
    SharedEffect* effect_;
};

} // namespace irisplit_bridge
