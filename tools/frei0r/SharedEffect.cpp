#include "SharedEffect.h"

#include "EffectOutputRoute.h"
#include "FailureLog.h"

#include "hostsim/DeclaredControls.h"

#include <dlfcn.h>

#include <filesystem>
#include <mutex>
#include <stdexcept>

namespace irisplit_frei0r {
namespace {

// "IRX GL.so" in the module's own folder beside the plug-in's: <dir>/../irisplit/.
// Kept out of frei0r-1/, which hosts scan, so that no host loads it as a plug-in.
std::string ModuleBesidePlugin() {
    Dl_info self{};
    if (!dladdr(reinterpret_cast<const void*>(&ModuleBesidePlugin), &self) || !self.dli_fname)
        throw std::runtime_error("cannot tell where the plug-in was loaded from");
    const std::filesystem::path pluginDir = std::filesystem::path(self.dli_fname).parent_path();
    return (pluginDir.parent_path() / "irisplit" / IRX_MODULE_FILE_NAME).lexically_normal().string();
}

void Require(const hostsim::CommandResult& result, const char* command) {
    if (result.result != PF_Err_NONE)
        throw std::runtime_error(
            hostsim::DescribeFailure(command, result.result, result.out.return_msg, sizeof result.out.return_msg));
}

std::mutex shareMutex;
// Raw on purpose: a host that never calls f0r_deinit leaves the effect set up
// until the process ends, rather than setting it down in exit handlers.
LoadedEffect* sharedEffect = nullptr;
int holders = 0;

} // namespace

LoadedEffect::LoadedEffect(const std::string& modulePath) {
    try {
        setUp(modulePath);
    } catch (const std::exception& e) {
        failure_ = "cannot use the effect module '" + modulePath + "': " + e.what() + "; frames pass through unchanged";
        ReportOnce(failure_, failure_);
    }
}

void LoadedEffect::setUp(const std::string& modulePath) {
    const EffectOutputToStderr route;
    try {
        host_ = std::make_unique<hostsim::Host>(modulePath, hostsim::HostIdentity{"Irisplit frei0r plug-in", "1.0"});
    } catch (const hostsim::ModuleLoadError& e) {
        throw std::runtime_error(e.what());
    }
    const hostsim::Registration registration = host_->registerEffect();
    if (registration.result != PF_Err_NONE || registration.calls == 0)
        throw std::runtime_error("registration failed: host result code " + std::to_string(registration.result));
    const hostsim::CommandResult setup = host_->globalSetup();
    globalSetUp_ = true; // a failed setup may still have left state behind
    Require(setup, "global setup");
    const hostsim::ParamsSetupResult params = host_->paramsSetup();
    Require(params, "parameter setup");
    mapping_.emplace(hostsim::DeclaredControls(params.added));
}

LoadedEffect::~LoadedEffect() {
    if (!globalSetUp_) return;
    const EffectOutputToStderr route;
    const hostsim::CommandResult setdown = host_->globalSetdown();
    if (setdown.result != PF_Err_NONE) {
        const std::string text = hostsim::DescribeFailure("global setdown", setdown.result, setdown.out.return_msg,
                                                          sizeof setdown.out.return_msg);
        ReportOnce(text, text);
    }
}

hostsim::FrameResult LoadedEffect::render(const hostsim::FrameRequest& request) {
    const EffectOutputToStderr route;
    return host_->render(request);
}

EffectHold::EffectHold() {
    const std::lock_guard<std::mutex> lock(shareMutex);
    if (!sharedEffect) sharedEffect = new LoadedEffect(ModuleBesidePlugin());
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
