#include "SharedEffect.h"

#include "EffectOutputRoute.h"
#include "FailureLog.h"

#include "hostsim/ModuleLookup.h"

#include <dlfcn.h>

#include <stdexcept>

namespace irisplit_bridge {
namespace {

hostsim::SessionOptions PluginSessionOptions() {
    hostsim::SessionOptions options;
    options.identity = {kPlugin.name, "1.0"};
    // The render threads run nothing but the effect.
    options.onRenderThreadStart = [] { static thread_local const EffectOutputRoute route; };
    return options;
}

constexpr std::chrono::seconds kSetUpRetryInterval{1};

std::mutex shareMutex;
// Raw on purpose: a host that never calls f0r_deinit leaves the effect set up
// until the process ends, rather than setting it down in exit handlers.
SharedEffect* sharedEffect = nullptr;
int holders = 0;

} // namespace

std::string PluginFile() {
    Dl_info self{};
    if (!dladdr(reinterpret_cast<const void*>(&PluginFile), &self) || !self.dli_fname)
        throw std::runtime_error("cannot tell where the plug-in was loaded from");
    return self.dli_fname;
}

SharedEffect::~SharedEffect() {
    if (!session_) return;
    const EffectOutputRoute route;
    try {
        session_->setDown();
    } catch (const std::exception& e) {
        ReportOnce(e.what(), e.what());
    }
}

hostsim::Session& SharedEffect::openSession() {
    if (!session_) {
        const EffectOutputRoute route;
        session_ = std::make_unique<hostsim::Session>(hostsim::ModuleForPlugin(PluginFile(), kPlugin.moduleFromPlugin),
                                                      PluginSessionOptions());
    }
    return *session_;
}

const hostsim::DeclaredControls& SharedEffect::controls() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return controlsLocked();
}

const hostsim::DeclaredControls& SharedEffect::controlsLocked() {
    if (controls_) return *controls_;
    try {
        hostsim::Session& session = openSession();
        const EffectOutputRoute route;
        controls_ = &session.controls();
    } catch (const std::exception& e) {
        throw UnusableEffect(e);
    }
    return *controls_;
}

void SharedEffect::setUp() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (ready_) return; // by another frame meanwhile
    const auto now = std::chrono::steady_clock::now();
    if (setUpFailure_ && now < nextSetUp_) throw *setUpFailure_;
    controlsLocked(); // the session is open from here on
    EffectOutputCapture output;
    try {
        session_->setUp();
    } catch (const std::exception& e) {
        setUpFailure_ = UnusableEffect(e, output.take());
        nextSetUp_ = now + kSetUpRetryInterval;
        throw *setUpFailure_;
    }
    output.passOn();
    ready_ = true;
}

hostsim::FrameResult SharedEffect::render(const hostsim::FrameRequest& request) {
    if (!ready_) setUp();
    return session_->render(request);
}

hostsim::WorldPool& SharedEffect::worlds() { return session_->worlds(); }

EffectHold::EffectHold() {
    const std::lock_guard<std::mutex> lock(shareMutex);
    if (!sharedEffect) sharedEffect = new SharedEffect;
    ++holders;
    effect_ = sharedEffect;
}

EffectHold::~EffectHold() {
    const std::lock_guard<std::mutex> lock(shareMutex);
    if (--holders == 0) {
        delete sharedEffect;
        sharedEffect = nullptr;
    }
}

} // namespace irisplit_bridge
