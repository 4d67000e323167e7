// An effect module whose smart render misbehaves in every way the simulator
// must notice: it writes into the padding after the output's first row and
// leaves the handle suite, a handle, a parameter and the input checked out.
#include "host/HostSuites.h"
#include "host/HostTypes.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

PF_Err MisbehavingRender(PF_InData* in, PF_SmartRenderExtra* extra)
{
    const void* suite = nullptr;
    in->pica_basicP->AcquireSuite(kPFHandleSuite, kPFHandleSuiteVersion1, &suite);
    static_cast<const PF_HandleSuite1*>(suite)->host_new_handle(16);
    PF_ParamDef param{};
    in->inter.checkout_param(in->effect_ref, 2, in->current_time, in->time_step, in->time_scale, &param);
    PF_EffectWorld* input = nullptr;
    PF_EffectWorld* output = nullptr;
    extra->cb->checkout_layer_pixels(in->effect_ref, 0, &input);
    extra->cb->checkout_output(in->effect_ref, &output);
    PF_Pixel8* pixels = nullptr;
    in->utils->get_pixel_data8(output, nullptr, &pixels);
    reinterpret_cast<char*>(pixels)[output->width * sizeof(PF_Pixel8)] = 0x7F;
    return PF_Err_NONE;
}

} // namespace

FAKE_EXPORT PF_Err EffectMain(PF_Cmd cmd, PF_InData* in, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, void* extra)
{
    return cmd == PF_Cmd_SMART_RENDER ? MisbehavingRender(in, static_cast<PF_SmartRenderExtra*>(extra))
                                      : PF_Err_NONE;
}

FAKE_EXPORT PF_Err PluginDataEntryFunction(PF_PluginDataPtr, PF_PluginDataCB, SPBasicSuite*, const char*,
                                           const char*)
{
    return PF_Err_NONE;
}
