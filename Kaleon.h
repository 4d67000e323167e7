// The Irisplit effect: entry points, command handlers and the values the host
// learns about the effect.
#pragma once

#include "host/HostSuites.h"
#include "host/HostTypes.h"

#include <cstdint>

#if defined(_WIN32)
#define IRX_EXPORT __declspec(dllexport)
#else
#define IRX_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
IRX_EXPORT PF_Err EffectMain(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                             PF_ParamDef* params[], PF_LayerDef* output, void* extra);

IRX_EXPORT PF_Err PluginDataEntryFunction(PF_PluginDataPtr inPtr, PF_PluginDataCB callback,
                                          SPBasicSuite* basicSuite, const char* hostName,
                                          const char* hostVersion);
}

// Version 2.0, fix 0, stage 0, build 1 in the host's packed encoding.
constexpr uint32_t kEffectVersion = 0x00100001;
constexpr int32_t kEffectMajorVersion = (kEffectVersion >> 19) & 0x7;
constexpr int32_t kEffectMinorVersion = (kEffectVersion >> 15) & 0xF;
constexpr int32_t kEffectOutFlags = PF_OutFlag_DEEP_COLOR_AWARE;
constexpr int32_t kEffectOutFlags2 =
    PF_OutFlag2_SUPPORTS_SMART_RENDER | PF_OutFlag2_FLOAT_COLOR_AWARE;

// The host effect API version the effect is written against (13.15) and the
// reserved info value registered with it.
constexpr int32_t kHostApiMajorVersion = 13;
constexpr int32_t kHostApiMinorVersion = 15;
constexpr int32_t kEffectReservedInfo = 8;
// Plug-in kind "effect": the four-character code eFKT as a number.
constexpr int32_t kEffectKind = 0x65464B54;

// Positions in the host's parameter array.
enum ParamIndex {
    PARAM_INPUT = 0,
    PARAM_CHANNELS,
    PARAM_POSITION,
    PARAM_ROTATION,
    PARAM_SCALE,
    PARAM_BLUR,
    PARAM_COUNT
};

// The id under which pre-render checks out the input and smart render fetches its pixels.
constexpr int32_t kInputCheckoutId = 0;

PF_Err About(PF_InData* in_data, PF_OutData* out_data);
PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data);
PF_Err GlobalSetdown(PF_InData* in_data, PF_OutData* out_data);
PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data);
PF_Err SmartPreRender(PF_InData* in_data, PF_OutData* out_data, PF_PreRenderExtra* extra);
PF_Err SmartRender(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra);
