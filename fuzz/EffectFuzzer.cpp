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
    Session() : host(IRX_MODULE_FILE)
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

void Run(Session& session, const fuzz::Step& step)
{
    using fuzz::StepKind;
    hostsim::Host& host = session.host;
    switch (step.kind) {
    case StepKind::About:
        fuzz::CheckCommand("about", step.setup, host.about(step.setup), session.hostContext.isCurrent());
        break;
    case StepKind::ParamsSetup:
        fuzz::CheckCommand("parameter setup", step.setup, host.paramsSetup(step.setup),
                           session.hostContext.isCurrent());
        break;
    case StepKind::PreRender:
        fuzz::CheckCommand("smart pre-render", step.preRender, host.preRender(step.preRender),
                           session.hostContext.isCurrent());
        break;
    case StepKind::Render: {
        const hostsim::FrameResult result = host.render(step.frame);
        fuzz::CheckCommand("smart render", step.frame, result, session.hostContext.isCurrent());
        fuzz::CheckFrame(step.frame, result, session.maxTextureSize);
        break;
    }
    case StepKind::GlobalSetup: {
        const hostsim::CommandResult result = host.globalSetup(step.setup);
        fuzz::CheckCommand("global setup", step.setup, result, session.hostContext.isCurrent());
        session.setUp = result.result == PF_Err_NONE;
        break;
    }
    case StepKind::GlobalSetdown:
        fuzz::CheckCommand("global setdown", step.setup, host.globalSetdown(step.setup),
                           session.hostContext.isCurrent());
        session.checkNothingLeftOfSetup();
        session.setUp = false;
        break;
    case StepKind::OtherSelector:
        fuzz::CheckCommand("an unknown command", step.setup, host.call(step.selector, step.setup),
                           session.hostContext.isCurrent());
        break;
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
