// in_data's inter and utils callbacks and the extra records' checkouts.
#include "hostsim/Callbacks.h"

#include "hostsim/Accounting.h"
#include "hostsim/CommandState.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace hostsim {
namespace {

constexpr size_t kMaxPopupNames = 4096;

std::string Join(std::initializer_list<long long> values) {
    std::string out;
    for (long long value : values) out += (out.empty() ? "" : ",") + std::to_string(value);
    return out;
}

// --- inter ---

PF_Err AddParam(PF_ProgPtr ref, int32_t index, PF_ParamDef* def) {
    CommandState* state = CommandState::ForRef(ref, "add_param");
    if (!state) return PF_Err_BAD_CALLBACK_PARAM;
    PF_Err result = PF_Err_NONE;
    if (!state->addedParams) {
        state->misuse("add_param outside parameter setup");
        result = PF_Err_BAD_CALLBACK_PARAM;
    } else if (!def) {
        state->misuse("add_param without a definition");
        result = PF_Err_BAD_CALLBACK_PARAM;
    } else {
        ++state->addParamCalls;
        if (state->addParamCalls == state->faults.refuseAddParamCall) result = state->faults.addParamError;
        AddedParam added{index, *def, {}, result};
        if (def->param_type == PF_Param_POPUP && def->u.pd.namesptr)
            added.popupNames.assign(def->u.pd.namesptr, strnlen(def->u.pd.namesptr, kMaxPopupNames));
        state->addedParams->push_back(added);
    }
    state->note("add_param", Join({index, def ? def->uu.id : 0}), result);
    return result;
}

// A popup choice given as a number, rounded and saturated to the record's 32 bits.
int32_t PopupChoice(double choice) {
    if (std::isnan(choice)) return 0;
    return int32_t(std::lround(std::clamp(choice, double(INT32_MIN), double(INT32_MAX))));
}

// Parameter 0 is the input layer; any other is a copy of its declaration
// with the frame's value, or with the declared default where it has none.
void FillParam(const CommandState& state, int32_t index, PF_ParamDef& param) {
    if (index == 0) {
        std::memset(&param, 0, sizeof param);
        param.param_type = PF_Param_LAYER;
        param.u.ld = *state.input->record();
        return;
    }
    const AddedParam& declared = state.declared->params[size_t(index - 1)];
    param = declared.def;
    const auto given = state.values->find(index);
    const bool hasValue = given != state.values->end();
    switch (param.param_type) {
    case PF_Param_POPUP:
        param.u.pd.namesptr = declared.popupNames.c_str();
        param.u.pd.value = hasValue ? PopupChoice(given->second) : param.u.pd.dephault;
        break;
    case PF_Param_ANGLE:
        param.u.ad.value = hasValue ? DegreesToFixed(given->second) : param.u.ad.dephault;
        break;
    case PF_Param_FLOAT_SLIDER:
        param.u.fs_d.value = hasValue ? given->second : param.u.fs_d.dephault;
        break;
    }
}

PF_Err CheckoutParam(PF_ProgPtr ref, int32_t index, int32_t what_time, int32_t time_step, uint32_t time_scale,
                     PF_ParamDef* param) {
    CommandState* state = CommandState::ForRef(ref, "checkout_param");
    if (!state) return PF_Err_BAD_CALLBACK_PARAM;
    PF_Err result = PF_Err_NONE;
    if (!state->values) {
        state->misuse("checkout_param outside smart render");
        result = PF_Err_BAD_CALLBACK_PARAM;
    } else if (!param) {
        state->misuse("checkout_param without a record");
        result = PF_Err_BAD_CALLBACK_PARAM;
    } else if (index < 0 || size_t(index) >= state->paramCheckouts.size()) {
        state->misuse("checkout_param of parameter " + std::to_string(index) +
                      ", which parameter setup did not declare");
        result = PF_Err_BAD_CALLBACK_PARAM;
    } else if (index == state->faults.failParamCheckoutIndex) {
        result = state->faults.paramCheckoutError;
    } else {
        FillParam(*state, index, *param);
        state->paramRecords[param] = index;
        ++state->paramCheckouts[size_t(index)];
    }
    state->note("checkout_param", Join({index, what_time, time_step, time_scale}), result);
    return result;
}

PF_Err CheckinParam(PF_ProgPtr ref, PF_ParamDef* param) {
    CommandState* state = CommandState::ForRef(ref, "checkin_param");
    if (!state) return PF_Err_BAD_CALLBACK_PARAM;
    // Records never checked out may be checked in too; only known ones count.
    const auto known = state->paramRecords.find(param);
    std::string args = "-";
    if (known != state->paramRecords.end()) {
        args = std::to_string(known->second);
        ++state->paramCheckins[size_t(known->second)];
        state->paramRecords.erase(known);
    }
    const PF_Err result = state->faults.paramCheckinError;
    state->note("checkin_param", args, result);
    return result;
}

PF_Err Abort(PF_ProgPtr ref) {
    CommandState* state = CommandState::ForRef(ref, "abort");
    if (!state) return PF_Err_BAD_CALLBACK_PARAM;
    state->note("abort", "", state->faults.abortCode);
    return state->faults.abortCode;
}

// --- utils ---

char* UtilStrcpy(char* dest, const char* src) { return RecordedStrcpy("utils.strcpy", dest, src); }

int UtilSprintf(char* buffer, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int written = RecordedVsprintf("utils.sprintf", buffer, format, args);
    va_end(args);
    return written;
}

void UtilDisposeHandle(PF_Handle handle) { DisposeHandle("utils.host_dispose_handle", handle); }

template <typename Pixel>
PF_Err GetPixelData(const char* name, PF_PixelFormat format, PF_EffectWorld* record, Pixel** pixels) {
    CommandState* state = CommandState::Current();
    if (!state) return PF_Err_BAD_CALLBACK_PARAM;
    PF_Err result = PF_Err_NONE;
    World* world = state->knownWorld(record, name);
    if (!pixels || !world) {
        result = PF_Err_BAD_CALLBACK_PARAM;
    } else if (state->faults.pixelDataError != PF_Err_NONE) {
        *pixels = nullptr;
        result = state->faults.pixelDataError;
    } else if (state->faults.pixelDataNull) {
        *pixels = nullptr;
    } else if (world->format() != format) {
        *pixels = nullptr;
        result = PF_Err_BAD_CALLBACK_PARAM;
    } else {
        *pixels = static_cast<Pixel*>(world->record()->data);
    }
    state->note(name, world == state->input ? "input" : world == state->output ? "output" : "?", result);
    return result;
}

PF_Err GetPixelData8(PF_EffectWorld* world, void*, PF_Pixel8** pixels) {
    return GetPixelData("get_pixel_data8", PF_PixelFormat_ARGB32, world, pixels);
}

PF_Err GetPixelData16(PF_EffectWorld* world, void*, PF_Pixel16** pixels) {
    return GetPixelData("get_pixel_data16", PF_PixelFormat_ARGB64, world, pixels);
}

// --- smart pre-render ---

PF_Err CheckoutLayer(PF_ProgPtr ref, int32_t index, int32_t checkout_id, const PF_RenderRequest* request,
                     int32_t what_time, int32_t time_step, uint32_t time_scale, PF_CheckoutResult* result) {
    CommandState* state = CommandState::ForRef(ref, "checkout_layer");
    if (!state) return PF_Err_BAD_CALLBACK_PARAM;
    PF_Err err = state->faults.checkoutLayerError;
    if (!request || !result) {
        state->misuse("checkout_layer without a request or result record");
        err = PF_Err_BAD_CALLBACK_PARAM;
    } else {
        if (state->layerCheckouts)
            state->layerCheckouts->push_back({index, checkout_id, *request, what_time, time_step, time_scale});
        if (err == PF_Err_NONE && state->inputCheckout) *result = *state->inputCheckout;
    }
    state->note("checkout_layer", Join({index, checkout_id, what_time, time_step, time_scale}), err);
    return err;
}

// --- smart render ---

PF_Err CheckoutLayerPixels(PF_ProgPtr ref, int32_t checkout_id, PF_EffectWorld** pixels) {
    CommandState* state = CommandState::ForRef(ref, "checkout_layer_pixels");
    if (!state) return PF_Err_BAD_CALLBACK_PARAM;
    PF_Err result = PF_Err_NONE;
    if (!pixels || !state->input || checkout_id != 0) {
        state->misuse("checkout_layer_pixels: unknown checkout or no place for the world");
        result = PF_Err_BAD_CALLBACK_PARAM;
    } else if (state->faults.inputCheckoutError != PF_Err_NONE) {
        *pixels = nullptr;
        result = state->faults.inputCheckoutError;
    } else {
        *pixels = state->faults.nullInputWorld ? nullptr : state->input->record();
        ++state->inputCheckouts;
    }
    state->note("checkout_layer_pixels", std::to_string(checkout_id), result);
    return result;
}

PF_Err CheckinLayerPixels(PF_ProgPtr ref, int32_t checkout_id) {
    CommandState* state = CommandState::ForRef(ref, "checkin_layer_pixels");
    if (!state) return PF_Err_BAD_CALLBACK_PARAM;
    ++state->inputCheckins;
    const PF_Err result = state->faults.layerCheckinError;
    state->note("checkin_layer_pixels", std::to_string(checkout_id), result);
    return result;
}

PF_Err CheckoutOutput(PF_ProgPtr ref, PF_EffectWorld** output) {
    CommandState* state = CommandState::ForRef(ref, "checkout_output");
    if (!state) return PF_Err_BAD_CALLBACK_PARAM;
    PF_Err result = PF_Err_NONE;
    if (!output || !state->output) {
        state->misuse("checkout_output outside smart render or without a place for the world");
        result = PF_Err_BAD_CALLBACK_PARAM;
    } else if (state->faults.outputCheckoutError != PF_Err_NONE) {
        *output = nullptr;
        result = state->faults.outputCheckoutError;
    } else {
        *output = state->faults.nullOutputWorld ? nullptr : state->output->record();
        ++state->outputCheckouts;
    }
    state->note("checkout_output", "", result);
    return result;
}

} // namespace

int RecordedVsprintf(const char* call, char* buffer, const char* format, va_list args) {
    if (CommandState* state = CommandState::Current()) state->note(call, format ? format : "", PF_Err_NONE);
    return std::vsprintf(buffer, format, args);
}

char* RecordedStrcpy(const char* call, char* dest, const char* src) {
    if (CommandState* state = CommandState::Current()) state->note(call, src ? src : "", PF_Err_NONE);
    return std::strcpy(dest, src);
}

PF_InteractCallbacks InteractCallbacks() {
    PF_InteractCallbacks inter{};
    inter.checkout_param = CheckoutParam;
    inter.checkin_param = CheckinParam;
    inter.add_param = AddParam;
    inter.abort = Abort;
    return inter;
}

PF_UtilCallbacks UtilCallbacks() {
    PF_UtilCallbacks utils{};
    utils.ansi.sprintf = UtilSprintf;
    utils.ansi.strcpy = UtilStrcpy;
    utils.host_dispose_handle = UtilDisposeHandle;
    utils.get_pixel_data8 = GetPixelData8;
    utils.get_pixel_data16 = GetPixelData16;
    return utils;
}

PF_PreRenderCallbacks* PreRenderCallbacks() {
    static PF_PreRenderCallbacks callbacks{CheckoutLayer};
    return &callbacks;
}

PF_SmartRenderCallbacks* SmartRenderCallbacks() {
    static PF_SmartRenderCallbacks callbacks{CheckoutLayerPixels, CheckinLayerPixels, CheckoutOutput};
    return &callbacks;
}

} // namespace hostsim
