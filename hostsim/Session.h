// One effect as a host runs it, the sequence every host here shares: load,
// register, global setup and parameter setup (describing the controls needs
// no set-up effect, so it may come first), frames, global setdown, unload.
// Unless the options ask for them, the host checks nothing (see Checks.h).
//
// The effect's OpenGL work (global setup, renders, global setdown) runs on a
// fixed crew of render threads the session owns, started with the first such
// command: the effect sees the same few threads whatever threads call the
// session and however long they live, and a caller's own graphics context
// (GLX, EGL or none) is never touched. Registration and parameter setup need
// no graphics and run on the caller's thread, so describing the effect
// starts nothing expensive.
#pragma once

#include "hostsim/DeclaredControls.h"
#include "hostsim/HostSim.h"
#include "hostsim/RenderCrew.h"
#include "hostsim/WorldPool.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>

namespace hostsim {

// A command the effect failed; what() reads "<command> failed: host result
// code N; the effect says: ...".
struct CommandFailure : std::runtime_error {
    CommandFailure(const std::string& command, const CommandResult& result);
    CommandFailure(const std::string& command, PF_Err code, const std::string& message);
    PF_Err code;
};

struct SessionOptions {
    HostIdentity identity;
    Checking checking = Checking::Off;         // on for tests (see Checks.h)
    unsigned renderThreads = 0;                // 0: one per core
    std::function<void()> onRenderThreadStart; // runs first on each render thread
};

class Session {
public:
    // Loads the module; throws ModuleLoadError naming it.
    explicit Session(const std::string& modulePath, SessionOptions options = {});
    // Global setdown if set up (a failure is not reported: call setDown() to
    // learn of it), then the render threads end, then the module unloads.
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Host& host() { return host_; }
    WorldPool& worlds() { return worlds_; } // frame-sized worlds for requests to take from

    // Each step below runs once and keeps its result; one that fails throws
    // CommandFailure and runs again on the next call. Thread safe.

    // PluginDataEntryFunction; its result is for the caller to judge.
    const Registration& registration();
    // Registration and parameter setup: what the effect declares.
    const ParamsSetupResult& parameters();
    const DeclaredControls& controls();
    // Registration, global setup on a render thread, parameter setup. A
    // failed global setup is set down again at once, so the next call starts
    // afresh. Returns global setup's result.
    const CommandResult& setUp();
    // Global setdown on a render thread, when set up.
    void setDown();

    // Frames on the render threads, after setUp() (done here if needed).
    // render() waits for its frame; several callers render at once.
    FrameResult render(const FrameRequest& request);
    // make(i) builds frame i on a render thread and done(i, result) runs there
    // (calls overlap); every thread takes the next frame not yet taken. The
    // first exception of make or done stops the work and is rethrown here.
    void renderFrames(size_t count, const std::function<FrameRequest(size_t)>& make,
                      const std::function<void(size_t, FrameResult&&)>& done);

private:
    RenderCrew& crew();
    void registerLocked();
    void describeLocked();
    void setUpLocked();

    Host host_;
    const SessionOptions options_;
    std::mutex stepMutex_;
    std::optional<Registration> registration_;
    std::optional<ParamsSetupResult> parameters_;
    std::shared_ptr<const DeclaredControls> controls_; // the host's, from parameter setup
    std::optional<CommandResult> globalSetup_; // while set up
    std::atomic<bool> ready_{false};           // set up and described
    WorldPool worlds_;
    std::once_flag crewStarted_;
    std::unique_ptr<RenderCrew> crew_; // last: its threads end before anything above goes
};

} // namespace hostsim
