#include "hostsim/CommandState.h"

#include "hostsim/Accounting.h"
#include "hostsim/Callbacks.h"

#include <algorithm>

namespace hostsim {
namespace {

thread_local CommandState* currentCommand = nullptr;

// Size of the sequence data block the host hands over when asked to.
constexpr uint64_t kSequenceDataBytes = 64;

// The in_data functions Faults::missingFunctions can leave out, by name.
struct Removable {
    const char* name;
    void (*remove)(CommandState&);
};
const Removable kRemovable[] = {
    {"utils", [](CommandState& s) { s.in.utils = nullptr; }},
    {"utils.ansi.sprintf", [](CommandState& s) { s.utils.ansi.sprintf = nullptr; }},
    {"utils.ansi.strcpy", [](CommandState& s) { s.utils.ansi.strcpy = nullptr; }},
    {"utils.get_pixel_data8", [](CommandState& s) { s.utils.get_pixel_data8 = nullptr; }},
    {"utils.get_pixel_data16", [](CommandState& s) { s.utils.get_pixel_data16 = nullptr; }},
    {"utils.host_dispose_handle", [](CommandState& s) { s.utils.host_dispose_handle = nullptr; }},
    {"inter.add_param", [](CommandState& s) { s.in.inter.add_param = nullptr; }},
    {"inter.checkout_param", [](CommandState& s) { s.in.inter.checkout_param = nullptr; }},
    {"inter.checkin_param", [](CommandState& s) { s.in.inter.checkin_param = nullptr; }},
    {"inter.abort", [](CommandState& s) { s.in.inter.abort = nullptr; }},
};

} // namespace

CommandState::CommandState(Host::Accounting& accounting_, const CommandSetup& setup_, Checking checking)
    : accounting(accounting_), setup(setup_), faults(setup_.faults), out(setup_.out), utils(UtilCallbacks()),
      record(checking) {
    in.inter = InteractCallbacks();
    in.utils = &utils;
    in.effect_ref = reinterpret_cast<PF_ProgPtr>(this);
    in.current_time = setup.time.current_time;
    in.time_step = setup.time.time_step;
    in.time_scale = setup.time.time_scale;
    in.downsample_x = setup.downsample_x;
    in.downsample_y = setup.downsample_y;
    in.pica_basicP = faults.noBasicSuite ? nullptr : BasicSuite();
    for (const Removable& removable : kRemovable) {
        if (MissingFunction(faults, removable.name)) removable.remove(*this);
    }
    if (setup.withSequenceData) {
        sequenceData = accounting.handles.create(kSequenceDataBytes, nullptr);
        in.sequence_data = sequenceData;
        out.sequence_data = sequenceData;
    }
}

bool MissingFunction(const Faults& faults, const std::string& name) {
    const auto& missing = faults.missingFunctions;
    return std::find(missing.begin(), missing.end(), name) != missing.end();
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

void CommandState::takeValues(const ControlValues& frameValues, const DeclaredControls* declaredControls) {
    values = &frameValues;
    declared = declaredControls;
    const size_t declaredCount = declared ? declared->params.size() : 0;
    paramCheckouts.assign(1 + declaredCount, 0);
    paramCheckins.assign(1 + declaredCount, 0);
    for (const auto& [index, value] : frameValues)
        if (index < 1 || size_t(index) > declaredCount)
            misuse("a value for parameter " + std::to_string(index) + ", which parameter setup did not declare");
}

void CommandState::finish(PF_Err result, CommandResult& outResult) const {
    outResult.result = result;
    outResult.out = out;
    record.fill(outResult);
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
