// What the caller hands the simulated host for one command, and what comes
// back from it.
#pragma once

#include "host/HostTypes.h"
#include "hostsim/CallLog.h"
#include "hostsim/Faults.h"
#include "hostsim/World.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace hostsim {

class WorldPool;

struct FrameTime {
    int32_t current_time = 0;
    int32_t time_step = 1;
    uint32_t time_scale = 30;
};

// The in_data and out_data a command starts from, host behaviour and faults.
struct CommandSetup {
    FrameTime time;
    PF_RationalScale downsample_x{1, 1}; // a denominator of 0 is passed on as is
    PF_RationalScale downsample_y{1, 1};
    // Hand the command a sequence_data handle of the host's (in_data and the
    // preset out_data); whether the effect disposed of it comes back in the result.
    bool withSequenceData = false;
    PF_OutData out{};       // out_data as the host hands it over
    int iterateThreads = 1; // iterateFloat splits the rows over this many threads (1 or 2)
    Faults faults;
    // Runs on the command's thread as each host call is logged, before the
    // call returns to the effect: lets a test hold a command inside a call.
    std::function<void(const std::string& call)> onHostCall;
};

// Whatever a command (or the host as a whole) still holds: acquired suites,
// handles, checkouts. Empty means nothing leaked.
struct Leftovers {
    std::map<SuiteKey, int64_t> suites; // acquires minus releases, non-zero entries only
    int64_t handles = 0;                // allocated and not disposed
    int64_t lockedHandles = 0;          // locks minus unlocks
    std::vector<int32_t> paramsCheckedOut; // checked out and never checked in
    bool inputPixelsCheckedOut = false;    // checkout_layer_pixels without checkin

    bool clean() const;
    std::string describe() const; // "" when clean
};

struct CommandResult {
    PF_Err result = PF_Err_NONE;
    PF_OutData out{}; // out_data after the command
    CallLog log;      // empty on a host that does not check
    Leftovers leftovers; // counted by every host
    bool sequenceDataDisposed = false;
    // Misuse the host noticed: a wrong effect_ref, a release of a suite never
    // acquired, an unlock without lock, an unknown world, ... A host that
    // does not check notices none; a frame's pre-render leftovers show here
    // all the same.
    std::vector<std::string> misuse;
};

// Registration through PluginDataEntryFunction.
struct Registration {
    PF_Err result = PF_Err_NONE; // what PluginDataEntryFunction returned
    int calls = 0;               // calls of the registration callback
    bool inPtrPassedOn = false;  // the callback got the host's inPtr back
    std::string name, matchName, category, entryPointName;
    int32_t kind = 0;
    int32_t apiVersionMajor = 0;
    int32_t apiVersionMinor = 0;
    int32_t reservedInfo = 0;
};

// One inter.add_param call, refused ones included.
struct AddedParam {
    int32_t index = 0;
    PF_ParamDef def{};
    std::string popupNames; // copy of u.pd.namesptr for a popup
    PF_Err result = PF_Err_NONE;
};

struct ParamsSetupResult : CommandResult {
    std::vector<AddedParam> added;
};

struct PreRenderRequest : CommandSetup {
    PF_RenderRequest request{};
    int16_t bitdepth = 8;
    PF_LRect presetResultRect{};    // output rects as the host presets them
    PF_LRect presetMaxResultRect{};
    PF_CheckoutResult inputCheckout{}; // what checkout_layer reports

    // A request for the whole of a width × height frame whose input covers it.
    static PreRenderRequest WholeFrame(int32_t width, int32_t height);
};

// One checkout_layer call as the effect made it.
struct LayerCheckout {
    int32_t index = 0;
    int32_t checkout_id = 0;
    PF_RenderRequest request{};
    int32_t what_time = 0;
    int32_t time_step = 0;
    uint32_t time_scale = 0;
};

struct PreRenderResult : CommandResult {
    PF_PreRenderOutput output{};
    std::vector<LayerCheckout> checkouts;
};

// One frame's control values by parameter index (1 is the first control the
// effect declared at parameter setup): a popup's choice, an angle in degrees,
// a float slider's value. A control without a value here has its declared
// default.
using ControlValues = std::map<int32_t, double>;

// "<command> failed: host result code N; the effect says: <message>", the
// message part only when the effect left one (the field need not be terminated).
std::string DescribeFailure(const std::string& command, PF_Err code, const char* returnMsg, size_t returnMsgSize);

// 16.16 fixed-point degrees, rounded and saturated to the 32-bit range.
PF_Fixed DegreesToFixed(double degrees);

struct FrameRequest : CommandSetup {
    FrameRequest() = default;
    explicit FrameRequest(World inputWorld, ControlValues controlValues = {})
        : input(std::move(inputWorld)), values(std::move(controlValues)) {}

    World input; // the effect reads it during the frame; it must not change meanwhile
    std::optional<WorldShape> outputShape; // none: the input's shape
    ControlValues values;
    // Run smart pre-render for the whole frame first, as a host does. Its
    // calls come first in the log; a failure ends the frame with its result.
    bool preRenderFirst = false;
    // Where the host takes the output world from (its pixels not cleared) and,
    // when it checks, its copy of the input, which it gives back when the
    // frame is done; renderFrames() gives `input` back too. None: fresh
    // zeroed worlds for every frame.
    WorldPool* worlds = nullptr;
};

struct FrameResult : CommandResult {
    World output;
    // Checked hosts only: "" when every guard byte of both worlds is intact,
    // and whether the effect left its input's pixels as they were.
    std::string guardDamage;
    bool inputUntouched = true;
    std::vector<int> paramCheckouts; // per parameter index, the input layer's 0 included
    std::vector<int> paramCheckins;
    int inputCheckouts = 0;
    int inputCheckins = 0;
    int outputCheckouts = 0;

    bool guardsIntact() const { return guardDamage.empty(); }
};

} // namespace hostsim
