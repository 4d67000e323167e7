#include "hostsim/CommandState.h"

#include "hostsim/Accounting.h"
#include "hostsim/Callbacks.h"

namespace hostsim {
namespace {

thread_local CommandState* currentCommand = nullptr;

// Size of the sequence data block the host hands over when asked to.
constexpr uint64_t kSequenceDataBytes = 64;

} // namespace

CommandState::CommandState(Host::Accounting& accounting_, const CommandSetup& setup_)
    : accounting(accounting_), setup(setup_), faults(setup_.faults), out(setup_.out), utils(UtilCallbacks()) {
    in.inter = InteractCallbacks();
    in.utils = &utils;
    in.effect_ref = reinterpret_cast<PF_ProgPtr>(this);
    in.current_time = setup.time.current_time;
    in.time_step = setup.time.time_step;
    in.time_scale = setup.time.time_scale;
    in.downsample_x = setup.downsample_x;
    in.downsample_y = setup.downsample_y;
    in.pica_basicP = faults.noBasicSuite ? nullptr : BasicSuite();
    if (setup.withSequenceData) {
        sequenceData = accounting.handles.create(kSequenceDataBytes, nullptr);
        in.sequence_data = sequenceData;
        out.sequence_data = sequenceData;
    }
}

CommandState::~CommandState() {
    if (sequenceData && !sequenceDataDisposed) accounting.handles.dispose(sequenceData);
}

CommandState* CommandState::Current() { return currentCommand; }

CommandState* CommandState::ForRef(PF_ProgPtr ref, const char* callback) {
    CommandState* state = currentCommand;
    if (!state) return nullptr;
    if (ref != state->in.effect_ref) {
        state->misuse(std::string(callback) + ": effect_ref is not the command's");
        return nullptr;
    }
    return state;
}

World* CommandState::knownWorld(const PF_EffectWorld* record, const char* callback) {
    for (World* world : {input, output}) {
        if (world && record && (record == world->record() || record->platform_ref == world)) return world;
    }
    misuse(std::string(callback) + ": a world the host never handed out");
    return nullptr;
}

void CommandState::finish(PF_Err result, CommandResult& outResult) const {
    outResult.result = result;
    outResult.out = out;
    outResult.log = log;
    outResult.misuse = misuses;
    if (!handleGuardDamage.empty()) outResult.misuse.push_back(handleGuardDamage);
    outResult.sequenceDataDisposed = sequenceDataDisposed;

    Leftovers& left = outResult.leftovers;
    for (const auto& [suite, held] : suites)
        if (held != 0) left.suites[suite] = held;
    left.handles = handles;
    left.lockedHandles = lockedHandles;
    for (size_t index = 0; index < paramCheckouts.size(); ++index)
        if (paramCheckouts[index] > paramCheckins[index]) left.paramsCheckedOut.push_back(int32_t(index));
    left.inputPixelsCheckedOut = inputCheckouts > 0 && inputCheckins == 0;
}

CurrentCommand::CurrentCommand(CommandState& state) : previous_(currentCommand) { currentCommand = &state; }

CurrentCommand::~CurrentCommand() { currentCommand = previous_; }

} // namespace hostsim
