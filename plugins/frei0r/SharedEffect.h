// The effect as one process shares it between frei0r instances: one host
// session, opened when the effect is first described or renders, and closed
// (set down, its render threads ended, the module unloaded) when the last
// holder lets go. f0r_init to f0r_deinit holds it, and so does every live
// instance, so a host that calls f0r_deinit before destroying its instances
// (or never) is served.
//
// Describing the effect loads the module and reads its controls, which needs
// no graphics; OpenGL starts with the first frame, on the session's own
// render threads. A step that fails is tried again by the next frame; a
// failed global setup, which starts OpenGL, at most once a second, so that a
// host that keeps sending frames keeps paying little for it.
#pragma once

#include "ControlMapping.h"
#include "FailureLog.h"

#include "hostsim/Session.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace irisplit_frei0r {

class SharedEffect {
public:
    SharedEffect() = default;
    ~SharedEffect(); // global setdown when set up, its failure reported
    SharedEffect(const SharedEffect&) = delete;
    SharedEffect& operator=(const SharedEffect&) = delete;

    // The effect's controls as frei0r values. Throws FrameFailure when the
    // module cannot be loaded or described.
    const ControlMapping& mapping();
    // One frame on the session's render threads, the effect set up first if
    // needed; any number of callers at once. Throws FrameFailure when the
    // effect cannot be set up.
    hostsim::FrameResult render(const hostsim::FrameRequest& request);
    // The session's frame-sized worlds; once mapping() has succeeded.
    hostsim::WorldPool& worlds();

private:
    // Global setup with the effect's output kept back: passed on when it
    // succeeds, its reason in the FrameFailure thrown when it fails.
    void setUp();
    // Under mutex_:
    hostsim::Session& openSession();
    const ControlMapping& mappingLocked();

    std::mutex mutex_;
    std::unique_ptr<hostsim::Session> session_;
    std::optional<ControlMapping> mapping_;
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

} // namespace irisplit_frei0r
