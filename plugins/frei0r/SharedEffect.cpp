#include "SharedEffect.h"

#include "EffectOutputRoute.h"
#include "FailureLog.h"

#include "hostsim/ModuleLookup.h"

#include <dlfcn.h>

#include <sstream>
#include <stdexcept>

namespace irisplit_frei0r {
namespace {

// The file this plug-in was loaded from.
std::string PluginFile() {
    Dl_info self{};
    if (!dladdr(reinterpret_cast<const void*>(&PluginFile), &self) || !self.dli_fname)
        throw std::runtime_error("cannot tell where the plug-in was loaded from");
    return self.dli_fname;
}

hostsim::SessionOptions PluginSessionOptions() {
    hostsim::SessionOptions options;
    options.identity = {"Irisplit frei0r plug-in", "1.0"};
    // The render threads run nothing but the effect.
    options.onRenderThreadStart = [] { static thread_local const EffectOutputToStderr route; };
    return options;
}

constexpr std::chrono::seconds kSetUpRetryInterval{1};

// `why`, the effect's lines, as one: blank lines dropped, the rest joined by "; ".
std::string OneLine(const std::string& why) {
    std::istringstream lines(why);
    std::string line, joined;
    while (std::getline(lines, line)) {
        const size_t begin = line.find_first_not_of(" \t\r"), end = line.find_last_not_of(" \t\r");
        if (begin == std::string::npos) continue;
        joined += (joined.empty() ? "" : "; ") + line.substr(begin, end + 1 - begin);
    }
    return joined;
}

// `why`: what the effect wrote while failing, if anything.
FrameFailure Unusable(const std::exception& e, const std::string& why = "") {
    const std::string reason = OneLine(why);
    const std::string text =
        std::string(e.what()) + (reason.empty() ? "" : " (" + reason + ")") + "; frames pass through unchanged";
    return FrameFailure(text, text);
}

std::mutex shareMutex;
// Raw on purpose: a host that never calls f0r_deinit leaves the effect set up
// until the process ends, rather than setting it down in exit handlers.
SharedEffect* sharedEffect = nullptr;
int holders = 0;

} // namespace

SharedEffect::~SharedEffect() {
    if (!session_) return;
    const EffectOutputToStderr route;
    try {
        session_->setDown();
    } catch (const std::exception& e) {
        ReportOnce(e.what(), e.what());
    }
}

hostsim::Session& SharedEffect::openSession() {
    if (!session_) {
        const EffectOutputToStderr route;
        session_ = std::make_unique<hostsim::Session>(hostsim::ModuleForPlugin(PluginFile()), PluginSessionOptions());
    }
    return *session_;
}

const ControlMapping& SharedEffect::mapping() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return mappingLocked();
}

const ControlMapping& SharedEffect::mappingLocked() {
    if (mapping_) return *mapping_;
    try {
        hostsim::Session& session = openSession();
        const EffectOutputToStderr route;
        mapping_.emplace(session.controls());
    } catch (const std::exception& e) {
        throw Unusable(e);
    }
    return *mapping_;
}

void SharedEffect::setUp() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (ready_) return; // by another frame meanwhile
    const auto now = std::chrono::steady_clock::now();
    if (setUpFailure_ && now < nextSetUp_) throw *setUpFailure_;
    mappingLocked(); // the session is open from here on
    EffectOutputCapture output;
    try {
        session_->setUp();
    } catch (const std::exception& e) {
        setUpFailure_ = Unusable(e, output.take());
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

} // namespace irisplit_frei0r
