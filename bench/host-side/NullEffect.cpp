// An effect module that declares the effect's controls and answers its
// pre-render, but renders nothing: a frame through it costs what the host
// around the effect costs.
#include "Kaleon.h"

PF_Err PluginDataEntryFunction(PF_PluginDataPtr inPtr, PF_PluginDataCB callback, SPBasicSuite*, const char*,
                               const char*)
{
    return callback(inPtr, "Null", "Null", "Test", "EffectMain", 0x65464B54, 13, 28, 0);
}

PF_Err EffectMain(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef*[], PF_LayerDef*, void* extra)
{
    switch (cmd) {
    case PF_Cmd_PARAMS_SETUP:
        return ParamsSetup(in, out);
    case PF_Cmd_SMART_PRE_RENDER:
        return SmartPreRender(in, out, static_cast<PF_PreRenderExtra*>(extra));
    case PF_Cmd_SMART_RENDER: {
        PF_SmartRenderExtra* render = static_cast<PF_SmartRenderExtra*>(extra);
        PF_EffectWorld* input = nullptr;
        PF_EffectWorld* output = nullptr;
        PF_Err err = render->cb->checkout_layer_pixels(in->effect_ref, 0, &input);
        if (err == PF_Err_NONE) {
            err = render->cb->checkout_output(in->effect_ref, &output);
            render->cb->checkin_layer_pixels(in->effect_ref, 0);
        }
        return err;
    }
    default:
        return PF_Err_NONE;
    }
}
