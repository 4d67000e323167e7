// A stand-in effect module whose global setup fails the way an effect does
// when it cannot get a graphics context: result 13 and a message to show.
#include "host/HostTypes.h"

#include <cstring>

extern "C" __attribute__((visibility("default"))) PF_Err EffectMain(PF_Cmd cmd, PF_InData*, PF_OutData* out_data,
                                                                    PF_ParamDef*[], PF_LayerDef*, void*)
{
    if (cmd != PF_Cmd_GLOBAL_SETUP) {
        return PF_Err_NONE;
    }
    std::strcpy(out_data->return_msg, "no graphics context here");
    out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
    return A_Err_MISSING_SUITE;
}

extern "C" __attribute__((visibility("default"))) PF_Err PluginDataEntryFunction(PF_PluginDataPtr inPtr,
                                                                                 PF_PluginDataCB registerEffect,
                                                                                 SPBasicSuite*, const char*,
                                                                                 const char*)
{
    return registerEffect(inPtr, "Failing", "Failing", "Test", "EffectMain", 0x65464B54, 13, 28, 0);
}
