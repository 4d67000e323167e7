// Everything one command call owns: its host records, what the effect may
// check out in it, the record of its conduct and its counters. Callbacks
// find the state of the call they belong to through the thread's current
// command.
#pragma once

#include "hostsim/Checks.h"
#include "hostsim/DeclaredControls.h"
#include "hostsim/HostSim.h"

#include <map>
#include <string>
#include <vector>

namespace hostsim {

class CommandState {
public:
    CommandState(Host::Accounting& accounting, const CommandSetup& setup, Checking checking);
    ~CommandState(); // disposes of sequence data the effect left alone
    CommandState(const CommandState&) = delete;
    CommandState& operator=(const CommandState&) = delete;

    // The command running on this thread, or null.
    static CommandState* Current();
    // The current command when `ref` is its effect_ref; otherwise null, with
    // the misuse noted when there is a current command.
    static CommandState* ForRef(PF_ProgPtr ref, const char* callback);

    void note(std::string name, std::string args, PF_Err result) {
        if (setup.onHostCall) setup.onHostCall(name);
        record.call(std::move(name), std::move(args), result);
    }
    void misuse(std::string what) { record.misuse(std::move(what)); }

    // The world behind a record the effect hands back; null (misuse noted) if unknown.
    World* knownWorld(const PF_EffectWorld* record, const char* callback);

    // Smart render's values and the declarations their records copy (null:
    // no parameter setup); a value for an undeclared parameter is misuse.
    void takeValues(const ControlValues& frameValues, const DeclaredControls* declaredControls);

    // Fills the common part of a result once the effect has returned.
    void finish(PF_Err result, CommandResult& out) const;

    Host::Accounting& accounting;
    const CommandSetup& setup;
    const Faults& faults;

    PF_InData in{};
    PF_OutData out{};
    PF_UtilCallbacks utils{};
    ConductRecord record;

    // What this command holds.
    std::map<SuiteKey, int64_t> suites;
    int64_t handles = 0;
    int64_t lockedHandles = 0;
    PF_Handle sequenceData = nullptr;
    bool sequenceDataDisposed = false;

    // Parameter setup.
    std::vector<AddedParam>* addedParams = nullptr;
    int32_t addParamCalls = 0;

    // Smart pre-render.
    const PF_CheckoutResult* inputCheckout = nullptr;
    std::vector<LayerCheckout>* layerCheckouts = nullptr;

    // Smart render.
    World* input = nullptr;
    World* output = nullptr;
    const ControlValues* values = nullptr;
    const DeclaredControls* declared = nullptr;
    std::map<const PF_ParamDef*, int32_t> paramRecords; // checked-out record -> index
    std::vector<int> paramCheckouts; // per parameter index, sized by takeValues()
    std::vector<int> paramCheckins;
    int inputCheckouts = 0;
    int inputCheckins = 0;
    int outputCheckouts = 0;
};

// Faults::missingFunctions names this function.
bool MissingFunction(const Faults& faults, const std::string& name);

// Makes a command the current one of this thread for its lifetime.
class CurrentCommand {
public:
    explicit CurrentCommand(CommandState& state);
    ~CurrentCommand();
    CurrentCommand(const CurrentCommand&) = delete;
    CurrentCommand& operator=(const CurrentCommand&) = delete;

private:
    CommandState* previous_;
};

} // namespace hostsim
