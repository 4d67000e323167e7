#include "hostsim/Session.h"

namespace hostsim {
namespace {

Host LoadModule(const std::string& modulePath, const SessionOptions& options) try {
    return Host(modulePath, options.identity, options.checking);
} catch (const ModuleLoadError& e) {
    throw ModuleLoadError("cannot load the effect module '" + modulePath + "': " + e.what());
}

} // namespace

CommandFailure::CommandFailure(const std::string& command, const CommandResult& result)
    : std::runtime_error(DescribeFailure(command, result.result, result.out.return_msg, sizeof result.out.return_msg)),
      code(result.result) {}

CommandFailure::CommandFailure(const std::string& command, PF_Err code_, const std::string& message)
    : std::runtime_error(DescribeFailure(command, code_, "", 0) + (message.empty() ? "" : "; " + message)),
      code(code_) {}

Session::Session(const std::string& modulePath, SessionOptions options)
    : host_(LoadModule(modulePath, options)), options_(std::move(options)) {}

Session::~Session() {
    try {
        setDown();
    } catch (...) {
    }
}

RenderCrew& Session::crew() {
    std::call_once(crewStarted_,
                   [&] { crew_ = std::make_unique<RenderCrew>(options_.renderThreads, options_.onRenderThreadStart); });
    return *crew_;
}

const Registration& Session::registration() {
    const std::lock_guard<std::mutex> lock(stepMutex_);
    if (!registration_) registration_ = host_.registerEffect();
    return *registration_;
}

void Session::registerLocked() {
    if (!registration_) registration_ = host_.registerEffect();
    if (registration_->result != PF_Err_NONE) throw CommandFailure("registration", registration_->result, "");
    if (registration_->calls == 0)
        throw CommandFailure("registration", registration_->result, "the effect registered nothing");
}

void Session::describeLocked() {
    if (parameters_) return;
    registerLocked();
    ParamsSetupResult result = host_.paramsSetup();
    if (result.result != PF_Err_NONE) throw CommandFailure("parameter setup", result);
    controls_ = host_.declaredControls();
    parameters_ = std::move(result);
}

const ParamsSetupResult& Session::parameters() {
    const std::lock_guard<std::mutex> lock(stepMutex_);
    describeLocked();
    return *parameters_;
}

const DeclaredControls& Session::controls() {
    const std::lock_guard<std::mutex> lock(stepMutex_);
    describeLocked();
    return *controls_;
}

void Session::setUpLocked() {
    if (!globalSetup_) {
        registerLocked();
        CommandResult result;
        crew().run([&] { result = host_.globalSetup(); });
        if (result.result != PF_Err_NONE) {
            crew().run([&] { host_.globalSetdown(); }); // whatever the failed setup left
            throw CommandFailure("global setup", result);
        }
        globalSetup_ = std::move(result);
    }
    describeLocked();
    ready_ = true;
}

const CommandResult& Session::setUp() {
    const std::lock_guard<std::mutex> lock(stepMutex_);
    setUpLocked();
    return *globalSetup_;
}

void Session::setDown() {
    const std::lock_guard<std::mutex> lock(stepMutex_);
    if (!globalSetup_) return;
    ready_ = false;
    globalSetup_.reset();
    CommandResult result;
    crew().run([&] { result = host_.globalSetdown(); });
    if (result.result != PF_Err_NONE) throw CommandFailure("global setdown", result);
}

FrameResult Session::render(const FrameRequest& request) {
    if (!ready_) setUp();
    FrameResult result;
    crew().run([&] { result = host_.render(request); });
    return result;
}

void Session::renderFrames(size_t count, const std::function<FrameRequest(size_t)>& make,
                           const std::function<void(size_t, FrameResult&&)>& done) {
    if (!ready_) setUp();
    crew().share(count, [&](size_t i) { host_.renderMade(i, make, done); });
}

} // namespace hostsim
