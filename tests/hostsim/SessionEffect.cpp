// An effect module that notes which thread ran each command and fails its
// first global setup as an effect does that finds no graphics context: result
// 13 and a message to show. (The tool's tests load it for that failure.)
#include "host/HostTypes.h"

#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::mutex seenMutex;
std::vector<std::pair<PF_Cmd, std::thread::id>> seen;
int globalSetups = 0;

} // namespace

// The commands so far, each with the thread that ran it (copied out: a C
// export returns no C++ type).
FAKE_EXPORT void SeenCommands(std::vector<std::pair<PF_Cmd, std::thread::id>>* commands)
{
    const std::lock_guard<std::mutex> lock(seenMutex);
    *commands = seen;
}

FAKE_EXPORT PF_Err EffectMain(PF_Cmd cmd, PF_InData*, PF_OutData* out, PF_ParamDef*[], PF_LayerDef*, void*)
{
    const std::lock_guard<std::mutex> lock(seenMutex);
    seen.emplace_back(cmd, std::this_thread::get_id());
    if (cmd != PF_Cmd_GLOBAL_SETUP || ++globalSetups > 1) return PF_Err_NONE;
    std::strcpy(out->return_msg, "no graphics context here");
    out->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
    return A_Err_MISSING_SUITE;
}

FAKE_EXPORT PF_Err PluginDataEntryFunction(PF_PluginDataPtr inPtr, PF_PluginDataCB registerEffect, SPBasicSuite*,
                                           const char*, const char*)
{
    return registerEffect(inPtr, "Session", "Session", "Test", "EffectMain", 0x65464B54, 13, 28, 0);
}
