// libFuzzer entry: the loaded module driven through the host simulator with
// the commands, records, worlds, values and faults of one fuzzer input.
#include "WindowSystemSpy.h"
#include "fuzz/Checks.h"
#include "fuzz/HostInput.h"
#include "hostsim/HostSim.h"
#include "tests/support/HostContext.h"

#include <cstddef>
#include <cstdint>

namespace {

// The module loaded once for the whole run, set up, with the host's own
// context current on the fuzzing thread throughout.
struct Session {
    Session() : host(IRX_MODULE_FILE, {}, hostsim::Checking::On)
    {
        maxTextureSize = hostContext.maxTextureSize();
        baselineContexts = spy::LiveContexts();
        baselineSurfaces = spy::LiveSurfaces();
        fuzz::Require(host.globalSetup().result == PF_Err_NONE, "global setup of a well-behaved host failed");
        fuzz::Require(host.paramsSetup().result == PF_Err_NONE, "parameter setup of a well-behaved host failed");
    }

    // Global setdown left no context or drawable of the effect's behind.
    void checkNothingLeftOfSetup() const
    {
        fuzz::Require(spy::LiveContexts() == baselineContexts && spy::LiveSurfaces() == baselineSurfaces,
                      "global setdown left " + std::to_string(spy::LiveContexts() - baselineContexts) +
                          " context(s) and " + std::to_string(spy::LiveSurfaces() - baselineSurfaces) +
                          " drawable(s) behind");
    }

    testsupport::HostContext hostContext;
    hostsim::Host host;
    int32_t maxTextureSize = 0;
    int baselineContexts = 0;
    int baselineSurfaces = 0;
    bool setUp = true;
};

// Smart pre-render or render with an extra whose records or callback table
// are missing, as the step says; a table that is there has no callbacks.
hostsim::CommandResult CallWithIncompleteExtra(hostsim::Host& host, const fuzz::Step& step)
{
    const auto present = [&step](int bit, auto* record) { return step.missing & bit ? nullptr : record; };
    PF_PreRenderInput preInput{};
    PF_PreRenderOutput preOutput{};
    PF_PreRenderCallbacks preCallbacks{};
    PF_SmartRenderInput renderInput{};
    PF_SmartRenderCallbacks renderCallbacks{};
    PF_PreRenderExtra pre{present(1, &preInput), present(2, &preOutput), present(4, &preCallbacks)};
    PF_SmartRenderExtra render{present(1, &renderInput), present(4, &renderCallbacks)};
    void* extra = step.selector == PF_Cmd_SMART_RENDER ? static_cast<void*>(&render) : static_cast<void*>(&pre);
    return host.call(step.selector, step.setup, extra);
}

// Checks a command once it has returned, the host's context included.
void Check(const Session& session, const char* command, const hostsim::CommandSetup& setup,
           const hostsim::CommandResult& result)
{
    fuzz::CheckCommand(command, setup, result, session.hostContext.isCurrent());
}

void Run(Session& session, const fuzz::Step& step)
{
    using fuzz::StepKind;
    hostsim::Host& host = session.host;
    switch (step.kind) {
    case StepKind::About: {
        const auto result = host.about(step.setup);
        Check(session, "about", step.setup, result);
        break;
    }
    case StepKind::ParamsSetup: {
        const auto result = host.paramsSetup(step.setup);
        Check(session, "parameter setup", step.setup, result);
        break;
    }
    case StepKind::PreRender: {
        const auto result = host.preRender(step.preRender);
        Check(session, "smart pre-render", step.preRender, result);
        break;
    }
    case StepKind::Render: {
        const auto result = host.render(step.frame);
        Check(session, "smart render", step.frame, result);
        fuzz::CheckFrame(step.frame, result, session.maxTextureSize);
        break;
    }
    case StepKind::GlobalSetup: {
        const auto result = host.globalSetup(step.setup);
        Check(session, "global setup", step.setup, result);
        session.setUp = result.result == PF_Err_NONE;
        break;
    }
    case StepKind::GlobalSetdown: {
        const auto result = host.globalSetdown(step.setup);
        Check(session, "global setdown", step.setup, result);
        session.checkNothingLeftOfSetup();
        session.setUp = false;
        break;
    }
    case StepKind::IncompleteExtra: {
        const auto result = CallWithIncompleteExtra(host, step);
        Check(session, "a command with an incomplete extra", step.setup, result);
        break;
    }
    case StepKind::OtherSelector: {
        const auto result = host.call(step.selector, step.setup);
        Check(session, "an unknown command", step.setup, result);
        break;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Session session;
    fuzz::ByteReader reader(data, size);
    for (const fuzz::Step& step : fuzz::DecodeSteps(reader)) {
        Run(session, step);
    }
    if (!session.setUp) {
        fuzz::Require(session.host.globalSetup().result == PF_Err_NONE, "global setup after setdown failed");
        session.setUp = true;
    }
    const hostsim::Leftovers left = session.host.leftovers();
    fuzz::Require(left.clean(), "the host was left holding " + left.describe());
    return 0;
}
