#include "hostsim/HostSim.h"

#include "hostsim/Accounting.h"
#include "hostsim/Callbacks.h"
#include "hostsim/CommandState.h"
#include "hostsim/DeclaredControls.h"
#include "hostsim/WorldPool.h"

#include <cstring>
#include <stdexcept>

namespace hostsim {
namespace {

PF_Err Run(PF_EffectMainFunc effectMain, PF_Cmd cmd, CommandState& state, void* extra) {
    CurrentCommand current(state);
    return effectMain(cmd, &state.in, &state.out, nullptr, nullptr, extra);
}

class RegistrationRecorder;
thread_local RegistrationRecorder* currentRecorder = nullptr;

// The registration call in progress on this thread, for the callback to fill.
class RegistrationRecorder {
public:
    RegistrationRecorder(Registration& registration_, PF_Err answer_) : registration(registration_), answer(answer_) {
        currentRecorder = this;
    }
    ~RegistrationRecorder() { currentRecorder = nullptr; }
    RegistrationRecorder(const RegistrationRecorder&) = delete;
    RegistrationRecorder& operator=(const RegistrationRecorder&) = delete;

    Registration& registration;
    const PF_Err answer;
};

std::string Text(const char* text) { return text ? text : ""; }

PF_Err RecordRegistration(PF_PluginDataPtr inPtr, const char* name, const char* matchName, const char* category,
                          const char* entryPointName, int32_t kind, int32_t apiVersionMajor, int32_t apiVersionMinor,
                          int32_t reservedInfo) {
    RegistrationRecorder* recorder = currentRecorder;
    if (!recorder) return PF_Err_BAD_CALLBACK_PARAM;
    Registration& r = recorder->registration;
    ++r.calls;
    r.inPtrPassedOn = inPtr == recorder;
    r.name = Text(name);
    r.matchName = Text(matchName);
    r.category = Text(category);
    r.entryPointName = Text(entryPointName);
    r.kind = kind;
    r.apiVersionMajor = apiVersionMajor;
    r.apiVersionMinor = apiVersionMinor;
    r.reservedInfo = reservedInfo;
    return recorder->answer;
}

int16_t BitDepth(PF_PixelFormat format) {
    return format == PF_PixelFormat_ARGB128 ? 32 : format == PF_PixelFormat_ARGB64 ? 16 : 8;
}

} // namespace

Host::Host(std::string modulePath, HostIdentity identity, Checking checking)
    : modulePath_(std::move(modulePath)), identity_(std::move(identity)), checking_(checking),
      accounting_(std::make_unique<Accounting>()) {
    load();
}

Host::~Host() = default;

void Host::load() {
    if (!module_) module_ = std::make_unique<LoadedModule>(modulePath_);
}

void Host::unload() { module_.reset(); }

const std::vector<uint8_t>& Host::pipl() const {
    if (!module_) throw std::logic_error("hostsim: the module is not loaded");
    return module_->pipl();
}

PF_EffectMainFunc Host::effectMain() const {
    if (!module_) throw std::logic_error("hostsim: the module is not loaded");
    return module_->effectMain();
}

Registration Host::registerEffect(PF_Err callbackResult) {
    if (!module_) throw std::logic_error("hostsim: the module is not loaded");
    Registration registration;
    RegistrationRecorder recorder{registration, callbackResult};
    const CommandSetup setup;
    CommandState state(*accounting_, setup, checking_);
    CurrentCommand current(state);
    registration.result = module_->pluginDataEntry()(&recorder, RecordRegistration, BasicSuite(),
                                                     identity_.name.c_str(), identity_.version.c_str());
    return registration;
}

CommandResult Host::call(PF_Cmd cmd, const CommandSetup& setup, void* extra) {
    CommandState state(*accounting_, setup, checking_);
    CommandResult result;
    state.finish(Run(effectMain(), cmd, state, extra), result);
    return result;
}

CommandResult Host::about(const CommandSetup& setup) { return call(PF_Cmd_ABOUT, setup); }

CommandResult Host::globalSetup(const CommandSetup& setup) { return call(PF_Cmd_GLOBAL_SETUP, setup); }

CommandResult Host::globalSetdown(const CommandSetup& setup) { return call(PF_Cmd_GLOBAL_SETDOWN, setup); }

ParamsSetupResult Host::paramsSetup(const CommandSetup& setup) {
    CommandState state(*accounting_, setup, checking_);
    ParamsSetupResult result;
    state.addedParams = &result.added;
    state.finish(Run(effectMain(), PF_Cmd_PARAMS_SETUP, state, nullptr), result);
    if (result.result == PF_Err_NONE) {
        auto declared = std::make_shared<const DeclaredControls>(result.added);
        const std::lock_guard<std::mutex> lock(declaredMutex_);
        declared_ = std::move(declared);
    }
    return result;
}

PreRenderResult Host::preRender(const PreRenderRequest& request) {
    CommandState state(*accounting_, request, checking_);
    PreRenderResult result;
    state.inputCheckout = &request.inputCheckout;
    state.layerCheckouts = &result.checkouts;
    PF_PreRenderInput input{request.request, request.bitdepth};
    PF_PreRenderOutput output{};
    output.result_rect = request.presetResultRect;
    output.max_result_rect = request.presetMaxResultRect;
    PF_PreRenderExtra extra{&input, &output, PreRenderCallbacks()};
    const PF_Err err = Run(effectMain(), PF_Cmd_SMART_PRE_RENDER, state, &extra);
    if (std::memcmp(&input.output_request, &request.request, sizeof input.output_request) != 0)
        state.misuse("smart pre-render changed the host's request");
    state.finish(err, result);
    result.output = output;
    return result;
}

FrameResult Host::render(const FrameRequest& request) {
    if (!request.preRenderFirst) return smartRender(request);
    PreRenderRequest pre = PreRenderRequest::WholeFrame(request.input.width(), request.input.height());
    static_cast<CommandSetup&>(pre) = request;
    pre.bitdepth = BitDepth(request.input.format());
    const PreRenderResult preResult = preRender(pre);

    FrameResult result;
    if (preResult.result == PF_Err_NONE) {
        result = smartRender(request);
    } else {
        result.result = preResult.result;
        result.out = preResult.out;
    }
    CallLog log = preResult.log;
    log.append(result.log);
    result.log = std::move(log);
    result.misuse.insert(result.misuse.begin(), preResult.misuse.begin(), preResult.misuse.end());
    if (!preResult.leftovers.clean()) result.misuse.push_back("smart pre-render left " + preResult.leftovers.describe());
    return result;
}

std::shared_ptr<const DeclaredControls> Host::declaredControls() const {
    const std::lock_guard<std::mutex> lock(declaredMutex_);
    return declared_;
}

FrameResult Host::smartRender(const FrameRequest& request) {
    const WorldShape outputShape = request.outputShape.value_or(request.input.shape());
    FrameInput input(checking_, request);
    World output = request.worlds ? request.worlds->take(outputShape) : World(outputShape);
    const std::shared_ptr<const DeclaredControls> declared = declaredControls();
    CommandState state(*accounting_, request, checking_);
    state.input = &input.world();
    state.output = &output;
    state.takeValues(request.values, declared.get());
    PF_SmartRenderInput renderInput{};
    renderInput.output_request.rect = PF_LRect{0, 0, output.width(), output.height()};
    renderInput.output_request.channel_mask = 0xF;
    renderInput.bitdepth = BitDepth(input.world().format());
    PF_SmartRenderExtra extra{&renderInput, SmartRenderCallbacks()};
    const PF_Err err = Run(effectMain(), PF_Cmd_SMART_RENDER, state, &extra);

    FrameResult result;
    state.finish(err, result);
    input.finish(output, state.record, result);
    result.paramCheckouts = state.paramCheckouts;
    result.paramCheckins = state.paramCheckins;
    result.inputCheckouts = state.inputCheckouts;
    result.inputCheckins = state.inputCheckins;
    result.outputCheckouts = state.outputCheckouts;
    result.output = std::move(output);
    return result;
}

Leftovers Host::leftovers() const { return accounting_->leftovers(); }

} // namespace hostsim
