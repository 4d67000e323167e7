// A tiny effect module that drives the simulator's host calls. It copies its
// input to its output through the same host calls a real effect uses; the
// Channels value picks a misbehaviour instead, so tests can check that the
// host notices it.
#include "host/HostSuites.h"
#include "host/HostTypes.h"
#include "resources/PiPLSection.h"

#include <atomic>
#include <cstring>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

__attribute__((section(IRX_PIPL_SECTION), used)) const char kFakePipl[8] = {'F', 'A', 'K', 'E', 'P', 'i', 'P', 'L'};

std::atomic<int> callsSinceLoad{0};

enum Behaviour { kCopy = 1, kWritePastRows = 2, kLeak = 3 };

// Selectors only this fake knows, for probing the host.
enum : PF_Cmd {
    kProbeSuite = 1000, // acquire return_msg's suite at version num_params
    kCountCalls = 1001, // num_params = EffectMain calls since load
};

template <typename Suite> const Suite* Acquire(PF_InData* in, const char* name, int32_t version) {
    const void* suite = nullptr;
    if (in->pica_basicP->AcquireSuite(name, version, &suite) != PF_Err_NONE) return nullptr;
    return static_cast<const Suite*>(suite);
}

PF_Err CopyPixel(void*, int32_t, int32_t, PF_PixelFloat* in, PF_PixelFloat* out) {
    *out = *in;
    return PF_Err_NONE;
}

// 8 and 16 bits: rows go through a host handle, as a read-back would.
PF_Err CopyRows(PF_InData* in, PF_EffectWorld* src, PF_EffectWorld* dst, size_t pixelSize, Behaviour behaviour) {
    const auto* handles = Acquire<PF_HandleSuite1>(in, kPFHandleSuite, kPFHandleSuiteVersion1);
    if (!handles) return A_Err_MISSING_SUITE;
    const size_t rowBytes = size_t(src->width) * pixelSize;
    PF_Err err = PF_Err_NONE;
    PF_Handle handle = handles->host_new_handle(rowBytes);
    void* block = handle ? handles->host_lock_handle(handle) : nullptr;
    void *srcData = nullptr, *dstData = nullptr;
    if (!block) {
        err = PF_Err_OUT_OF_MEMORY;
    } else if (pixelSize == 4) {
        err = in->utils->get_pixel_data8(src, nullptr, reinterpret_cast<PF_Pixel8**>(&srcData));
        if (!err) err = in->utils->get_pixel_data8(dst, nullptr, reinterpret_cast<PF_Pixel8**>(&dstData));
    } else {
        err = in->utils->get_pixel_data16(src, nullptr, reinterpret_cast<PF_Pixel16**>(&srcData));
        if (!err) err = in->utils->get_pixel_data16(dst, nullptr, reinterpret_cast<PF_Pixel16**>(&dstData));
    }
    for (int32_t y = 0; !err && srcData && dstData && y < src->height; ++y) {
        std::memcpy(block, static_cast<char*>(srcData) + size_t(y) * size_t(src->rowbytes), rowBytes);
        char* row = static_cast<char*>(dstData) + size_t(y) * size_t(dst->rowbytes);
        std::memcpy(row, block, rowBytes);
        if (behaviour == kWritePastRows) row[rowBytes] = 0x7F;
    }
    if (block) handles->host_unlock_handle(handle);
    if (handle && behaviour != kLeak) handles->host_dispose_handle(handle);
    in->pica_basicP->ReleaseSuite(kPFHandleSuite, kPFHandleSuiteVersion1);
    return err;
}

PF_Err SmartRender(PF_InData* in, PF_OutData* out, PF_SmartRenderExtra* extra) {
    const auto* worlds = Acquire<PF_WorldSuite2>(in, kPFWorldSuite, kPFWorldSuiteVersion2);
    if (!worlds) {
        out->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
        return A_Err_MISSING_SUITE;
    }
    PF_EffectWorld *input = nullptr, *output = nullptr;
    PF_Err err = extra->cb->checkout_layer_pixels(in->effect_ref, 0, &input);
    if (!err) err = extra->cb->checkout_output(in->effect_ref, &output);
    PF_ParamDef params[6] = {};
    for (int32_t i = 0; i < 6 && !err; ++i)
        err = in->inter.checkout_param(in->effect_ref, i, in->current_time, in->time_step, in->time_scale, &params[i]);
    const auto behaviour = static_cast<Behaviour>(params[1].u.pd.value);
    PF_PixelFormat format = PF_PixelFormat_INVALID;
    if (!err && input && output) err = worlds->PF_GetPixelFormat(input, &format);
    if (!err && input && output) {
        if (format == PF_PixelFormat_ARGB128) {
            const auto* iterate = Acquire<PF_iterateFloatSuite1>(in, kPFIterateFloatSuite, kPFIterateFloatSuiteVersion1);
            err = iterate ? iterate->iterate(in, 0, input->height, input, nullptr, nullptr, CopyPixel, output)
                          : A_Err_MISSING_SUITE;
            in->pica_basicP->ReleaseSuite(kPFIterateFloatSuite, kPFIterateFloatSuiteVersion1);
        } else {
            err = CopyRows(in, input, output, format == PF_PixelFormat_ARGB64 ? 8 : 4, behaviour);
        }
    }
    if (!err) err = in->inter.abort(in->effect_ref);
    for (int32_t i = 0; i < 6; ++i) {
        if (behaviour == kLeak && i == 2) continue;
        const PF_Err checkin = in->inter.checkin_param(in->effect_ref, &params[i]);
        if (!err) err = checkin;
    }
    const PF_Err checkin = extra->cb->checkin_layer_pixels(in->effect_ref, 0);
    if (!err) err = checkin;
    if (behaviour != kLeak) in->pica_basicP->ReleaseSuite(kPFWorldSuite, kPFWorldSuiteVersion2);
    return err;
}

PF_Err SmartPreRender(PF_InData* in, PF_PreRenderExtra* extra) {
    PF_RenderRequest request = extra->input->output_request;
    PF_CheckoutResult result{};
    const PF_Err err = extra->cb->checkout_layer(in->effect_ref, 0, 0, &request, in->current_time, in->time_step,
                                                 in->time_scale, &result);
    if (!err) extra->output->result_rect = result.result_rect;
    return err;
}

PF_Err ParamsSetup(PF_InData* in, PF_OutData* out) {
    for (int32_t id = 1; id <= 2; ++id) {
        PF_ParamDef def{};
        def.param_type = PF_Param_POPUP;
        def.uu.id = id;
        in->utils->ansi.strcpy(def.name, "Fake");
        def.u.pd.namesptr = "One|Two";
        if (const PF_Err err = in->inter.add_param(in->effect_ref, -1, &def)) return err;
    }
    out->num_params = 3;
    return PF_Err_NONE;
}

PF_Err ProbeSuite(PF_InData* in, PF_OutData* out) {
    const void* suite = nullptr;
    out->out_flags = in->pica_basicP->AcquireSuite(out->return_msg, out->num_params, &suite);
    out->out_flags2 = suite != nullptr;
    if (out->out_flags == PF_Err_NONE) in->pica_basicP->ReleaseSuite(out->return_msg, out->num_params);
    return PF_Err_NONE;
}

} // namespace

FAKE_EXPORT PF_Err EffectMain(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef*[], PF_LayerDef*, void* extra) {
    ++callsSinceLoad;
    if (cmd == kCountCalls) {
        out->num_params = callsSinceLoad;
        return PF_Err_NONE;
    }
    if (!in->pica_basicP) return PF_Err_BAD_CALLBACK_PARAM;
    switch (cmd) {
    case PF_Cmd_ABOUT: {
        const auto* ansi = Acquire<PF_ANSICallbacksSuite1>(in, kPFANSISuite, kPFANSISuiteVersion1);
        if (!ansi) return PF_Err_BAD_CALLBACK_PARAM;
        ansi->sprintf(out->return_msg, "%s v%d", "Fake", 1);
        in->pica_basicP->ReleaseSuite(kPFANSISuite, kPFANSISuiteVersion1);
        return PF_Err_NONE;
    }
    case PF_Cmd_GLOBAL_SETDOWN:
        if (in->sequence_data) in->utils->host_dispose_handle(in->sequence_data);
        out->sequence_data = nullptr;
        return PF_Err_NONE;
    case PF_Cmd_PARAMS_SETUP: return ParamsSetup(in, out);
    case PF_Cmd_SMART_PRE_RENDER: return SmartPreRender(in, static_cast<PF_PreRenderExtra*>(extra));
    case PF_Cmd_SMART_RENDER: return SmartRender(in, out, static_cast<PF_SmartRenderExtra*>(extra));
    case kProbeSuite: return ProbeSuite(in, out);
    default: return PF_Err_NONE;
    }
}

FAKE_EXPORT PF_Err PluginDataEntryFunction(PF_PluginDataPtr inPtr, PF_PluginDataCB callback, SPBasicSuite*,
                                           const char*, const char*) {
    return callback(inPtr, "Fake", "Fake Match", "Fakes", "EffectMain", PF_FOUR_BYTES('T', 'K', 'F', 'e'), 13, 15, 8);
}
