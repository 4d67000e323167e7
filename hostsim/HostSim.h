// The simulated compositing host: loads an effect module and drives it
// through its entry points with real host records, suites and callbacks.
//
// Checking (Checks.h) is off unless asked for: tests turn it on.
//
// Every command gets its own records and state, so commands may run on many
// threads at once on one Host. The host-wide counters behind leftovers() are
// shared and thread safe. load()/unload() must not overlap a command.
#pragma once

#include "hostsim/Checks.h"
#include "hostsim/Commands.h"
#include "hostsim/ModuleLoader.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace hostsim {

struct DeclaredControls;

struct HostIdentity {
    std::string name = "Irisplit Host Simulator";
    std::string version = "1.0";
};

class Host {
public:
    // Loads; throws ModuleLoadError. Unchecked, results carry no log, misuse,
    // guard damage or input change (see Checks.h).
    explicit Host(std::string modulePath, HostIdentity identity = {}, Checking checking = Checking::Off);
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    void load();   // loads the module again after unload(); no-op when loaded
    void unload(); // unloads; module-wide state of the effect is torn down
    bool loaded() const { return module_ != nullptr; }
    const std::string& modulePath() const { return modulePath_; }
    const std::vector<uint8_t>& pipl() const; // throws std::logic_error when unloaded

    // PluginDataEntryFunction with a recording callback that answers callbackResult.
    Registration registerEffect(PF_Err callbackResult = PF_Err_NONE);

    CommandResult about(const CommandSetup& setup = {});
    CommandResult globalSetup(const CommandSetup& setup = {});
    CommandResult globalSetdown(const CommandSetup& setup = {});
    // A successful parameter setup's declarations are what later frames'
    // parameter records copy (a reload keeps them), each with the frame's
    // value; before one, only the input layer can be checked out.
    ParamsSetupResult paramsSetup(const CommandSetup& setup = {});
    // Those declarations; null before a successful parameter setup.
    std::shared_ptr<const DeclaredControls> declaredControls() const;
    PreRenderResult preRender(const PreRenderRequest& request);
    FrameResult render(const FrameRequest& request);
    // Any selector with null params, output and the given extra.
    CommandResult call(PF_Cmd cmd, const CommandSetup& setup = {}, void* extra = nullptr);

    // Renders frames on `threads` render threads of the host's own (0: one
    // per core), each thread taking the next frame not yet taken. Results
    // come back in the order of the frames.
    std::vector<FrameResult> renderFrames(const std::vector<FrameRequest>& frames, unsigned threads);
    // The same for frames made on demand: make(i) builds frame i on a render
    // thread, done(i, result) runs on that thread (calls may overlap). The
    // first exception of make or done stops the work and is rethrown here.
    void renderFrames(size_t count, unsigned threads,
                      const std::function<FrameRequest(size_t)>& make,
                      const std::function<void(size_t, FrameResult&&)>& done);
    // Frame `index` of such work on the calling thread: made, rendered, handed
    // to done, and its input given back to the request's world pool.
    void renderMade(size_t index, const std::function<FrameRequest(size_t)>& make,
                    const std::function<void(size_t, FrameResult&&)>& done);

    // What all commands so far left behind (handles may legitimately span
    // commands, e.g. sequence data the host disposes of itself).
    Leftovers leftovers() const;

    // Host-wide accounting, used by the suites of every command.
    struct Accounting;

private:
    PF_EffectMainFunc effectMain() const; // throws std::logic_error when unloaded
    FrameResult smartRender(const FrameRequest& request);

    std::string modulePath_;
    HostIdentity identity_;
    Checking checking_;
    std::unique_ptr<Accounting> accounting_;
    std::unique_ptr<LoadedModule> module_; // unloaded before the accounting goes
    mutable std::mutex declaredMutex_;
    std::shared_ptr<const DeclaredControls> declared_; // a frame keeps the ones it started with
};

} // namespace hostsim
