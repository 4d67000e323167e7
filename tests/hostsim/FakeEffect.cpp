// An effect module whose smart render misbehaves in every way the simulator
// must notice: it writes a pixel of its input, the padding after the first row
// of its input and output and past a handle it disposes locked, and leaves the
// handle suite, a locked handle, a parameter and the input checked out.
// Its controls are an angle, a float slider and a two-item popup.
#include "host/HostSuites.h"
#include "host/HostTypes.h"

#include <initializer_list>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

PF_ParamDef checkedOut[4]; // the last render's records by index
const void* inputPixels = nullptr; // what the last render's input world held

PF_Err DeclareControls(PF_InData* in)
{
    PF_ParamDef defs[3]{};
    defs[0].param_type = PF_Param_ANGLE, defs[0].u.ad = {0, 45 << 16, -(90 << 16), 90 << 16};
    defs[1].param_type = PF_Param_FLOAT_SLIDER, defs[1].u.fs_d = {0.0, 0.0f, 10.0f, 0.0f, 10.0f, 2.5f, 1, 0, 0, 0.0f, {}};
    defs[2].param_type = PF_Param_POPUP, defs[2].u.pd = {2, 2, 2, "A|B"};
    for (PF_ParamDef& def : defs) in->inter.add_param(in->effect_ref, -1, &def);
    return PF_Err_NONE;
}

PF_Err MisbehavingRender(PF_InData* in, PF_SmartRenderExtra* extra)
{
    const void* suite = nullptr;
    in->pica_basicP->AcquireSuite(kPFHandleSuite, kPFHandleSuiteVersion1, &suite);
    const auto* handles = static_cast<const PF_HandleSuite1*>(suite);
    handles->host_lock_handle(handles->host_new_handle(16));
    const PF_Handle overrun = handles->host_new_handle(16);
    static_cast<char*>(handles->host_lock_handle(overrun))[16] = 0x7F, handles->host_dispose_handle(overrun);
    for (int32_t index = 1; index <= 3; ++index)
        in->inter.checkout_param(in->effect_ref, index, in->current_time, in->time_step, in->time_scale,
                                 &checkedOut[index]);
    for (int32_t index : {1, 3}) in->inter.checkin_param(in->effect_ref, &checkedOut[index]);
    PF_EffectWorld *input = nullptr, *output = nullptr;
    extra->cb->checkout_layer_pixels(in->effect_ref, 0, &input);
    extra->cb->checkout_output(in->effect_ref, &output);
    inputPixels = input->data;
    static_cast<char*>(input->data)[0] ^= 1, static_cast<char*>(input->data)[17] = 0x7F;
    PF_Pixel8* pixels = nullptr;
    in->utils->get_pixel_data8(output, nullptr, &pixels);
    reinterpret_cast<char*>(pixels)[output->width * sizeof(PF_Pixel8)] = 0x7F;
    return PF_Err_NONE;
}

} // namespace

FAKE_EXPORT const PF_ParamDef* CheckedOutParams()
{
    return checkedOut;
}

FAKE_EXPORT const void* InputPixels()
{
    return inputPixels;
}

FAKE_EXPORT PF_Err EffectMain(PF_Cmd cmd, PF_InData* in, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, void* extra)
{
    if (cmd == PF_Cmd_PARAMS_SETUP) return DeclareControls(in);
    return cmd == PF_Cmd_SMART_RENDER ? MisbehavingRender(in, static_cast<PF_SmartRenderExtra*>(extra))
                                      : PF_Err_NONE;
}

FAKE_EXPORT PF_Err PluginDataEntryFunction(PF_PluginDataPtr, PF_PluginDataCB, SPBasicSuite*, const char*,
                                           const char*)
{
    return PF_Err_NONE;
}
