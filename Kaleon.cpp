// The module's two entry points: registration and command dispatch.
#include "Kaleon.h"

namespace {

// A record the handler reads; a host that leaves it out gets 516.
template <typename Record>
Record* Present(Record* record)
{
    if (record == nullptr) {
        throw int{PF_Err_BAD_CALLBACK_PARAM};
    }
    return record;
}

PF_Err Dispatch(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, void* extra)
{
    switch (cmd) {
    case PF_Cmd_ABOUT:
        return About(Present(in_data), Present(out_data));
    case PF_Cmd_GLOBAL_SETUP:
        return GlobalSetup(Present(in_data), Present(out_data));
    case PF_Cmd_GLOBAL_SETDOWN:
        return GlobalSetdown(Present(in_data), Present(out_data));
    case PF_Cmd_PARAMS_SETUP:
        return ParamsSetup(Present(in_data), Present(out_data));
    case PF_Cmd_SMART_PRE_RENDER:
        return SmartPreRender(Present(in_data), Present(out_data),
                              Present(static_cast<PF_PreRenderExtra*>(extra)));
    case PF_Cmd_SMART_RENDER:
        return SmartRender(Present(in_data), Present(out_data),
                           Present(static_cast<PF_SmartRenderExtra*>(extra)));
    default:
        return PF_Err_NONE;
    }
}

} // namespace

PF_Err EffectMain(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[],
                  PF_LayerDef*, void* extra)
{
    // No exception may cross into the host: a thrown code is the result, and
    // anything else is reported as the one failure the host always understands.
    try {
        return Dispatch(cmd, in_data, out_data, extra);
    } catch (int& err) {
        return err;
    } catch (...) {
        return PF_Err_OUT_OF_MEMORY;
    }
}

PF_Err PluginDataEntryFunction(PF_PluginDataPtr inPtr, PF_PluginDataCB callback, SPBasicSuite*,
                               const char*, const char*)
{
    if (callback == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    return callback(inPtr, "Kaleon", "ADBE Kaleon", "Sample Plug-ins", "EffectMain", kEffectKind,
                    kHostApiMajorVersion, kHostApiMinorVersion, kEffectReservedInfo);
}
