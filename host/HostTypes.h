// Plain C declarations of the compositing host's effect interface, as this
// module and our host simulator use it. Field names follow the host's own
// names; layouts beyond the named fields are ours: every record is plain,
// C-compatible and holds only fixed-width integers, floats and pointers.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t PF_Err;
typedef int32_t A_Err;

// Result codes.
enum {
    PF_Err_NONE = 0,
    PF_Err_OUT_OF_MEMORY = 4,
    A_Err_MISSING_SUITE = 13,
    PF_Err_BAD_CALLBACK_PARAM = 516
};

// Command selectors handled by the effect; every other value is ignored.
typedef int32_t PF_Cmd;
enum {
    PF_Cmd_ABOUT = 0,
    PF_Cmd_GLOBAL_SETUP = 1,
    PF_Cmd_GLOBAL_SETDOWN = 3,
    PF_Cmd_PARAMS_SETUP = 4,
    PF_Cmd_SMART_PRE_RENDER = 23,
    PF_Cmd_SMART_RENDER = 24
};

// Output flags.
enum {
    PF_OutFlag_DISPLAY_ERROR_MESSAGE = 0x00000100,
    PF_OutFlag_DEEP_COLOR_AWARE = 0x02000000
};
enum {
    PF_OutFlag2_SUPPORTS_SMART_RENDER = 0x00000400,
    PF_OutFlag2_FLOAT_COLOR_AWARE = 0x00001000
};

// A four-character code whose bytes in memory read c0 c1 c2 c3.
#define PF_FOUR_BYTES(c0, c1, c2, c3) \
    ((int32_t)((uint32_t)(uint8_t)(c0) | ((uint32_t)(uint8_t)(c1) << 8) | \
               ((uint32_t)(uint8_t)(c2) << 16) | ((uint32_t)(uint8_t)(c3) << 24)))

typedef int32_t PF_PixelFormat;
#define PF_PixelFormat_ARGB32 PF_FOUR_BYTES('a', 'r', 'g', 'b')
#define PF_PixelFormat_ARGB64 PF_FOUR_BYTES('a', 'e', '1', '6')
#define PF_PixelFormat_ARGB128 PF_FOUR_BYTES('a', 'e', '3', '2')
#define PF_PixelFormat_INVALID PF_FOUR_BYTES('b', 'a', 'd', 'f')

// Pixels: alpha, red, green, blue in memory. 16-bit white is 32768.
typedef struct PF_Pixel8 { uint8_t alpha, red, green, blue; } PF_Pixel8;
typedef struct PF_Pixel16 { uint16_t alpha, red, green, blue; } PF_Pixel16;
typedef struct PF_PixelFloat { float alpha, red, green, blue; } PF_PixelFloat;

typedef struct PF_LRect { int32_t left, top, right, bottom; } PF_LRect;
typedef PF_LRect PF_Rect;

typedef struct PF_RationalScale {
    int32_t num;
    uint32_t den;
} PF_RationalScale;

// Opaque host identity of one effect instance; handed back on every callback.
typedef struct PF_ProgPtrOpaque* PF_ProgPtr;

// A relocatable host memory block: a pointer to the block's address.
typedef void** PF_Handle;

// A world: `rowbytes` apart rows of `width` pixels, `data` the first pixel.
typedef struct PF_EffectWorld {
    int32_t width;
    int32_t height;
    int32_t rowbytes;
    int32_t world_flags;
    void* data;
    void* platform_ref; // the host's own bookkeeping; never read by effects
} PF_EffectWorld;
typedef PF_EffectWorld PF_LayerDef;

// Parameter types.
typedef int32_t PF_ParamType;
enum {
    PF_Param_LAYER = 0,
    PF_Param_ANGLE = 3,
    PF_Param_POPUP = 7,
    PF_Param_FLOAT_SLIDER = 10
};

typedef int32_t PF_Fixed; // 16.16 fixed point

typedef struct PF_PopupDef {
    int32_t value;
    int16_t num_choices;
    int16_t dephault;
    const char* namesptr;
} PF_PopupDef;

typedef struct PF_FloatSliderDef {
    double value;
    float valid_min, valid_max;
    float slider_min, slider_max;
    float dephault;
    int16_t precision;
    int16_t display_flags;
    uint32_t fs_flags;
    float curve_tolerance;
    int32_t reserved[4];
} PF_FloatSliderDef;

typedef struct PF_AngleDef {
    PF_Fixed value;
    PF_Fixed dephault;
    PF_Fixed valid_min, valid_max;
} PF_AngleDef;

enum { PF_MAX_EFFECT_PARAM_NAME_LEN = 31 };

typedef struct PF_ParamDef {
    union { int32_t id; } uu;
    int32_t ui_flags;
    int16_t ui_width;
    int16_t ui_height;
    PF_ParamType param_type;
    char name[PF_MAX_EFFECT_PARAM_NAME_LEN + 1];
    int32_t flags;
    union {
        PF_LayerDef ld;
        PF_PopupDef pd;
        PF_FloatSliderDef fs_d;
        PF_AngleDef ad;
    } u;
} PF_ParamDef;

// Callbacks of in_data->inter.
typedef struct PF_InteractCallbacks {
    PF_Err (*checkout_param)(PF_ProgPtr effect_ref, int32_t index, int32_t what_time,
                             int32_t time_step, uint32_t time_scale, PF_ParamDef* param);
    PF_Err (*checkin_param)(PF_ProgPtr effect_ref, PF_ParamDef* param);
    PF_Err (*add_param)(PF_ProgPtr effect_ref, int32_t index, PF_ParamDef* def);
    PF_Err (*abort)(PF_ProgPtr effect_ref);
} PF_InteractCallbacks;

typedef struct PF_ANSICallbacks {
    int (*sprintf)(char* buffer, const char* format, ...);
    char* (*strcpy)(char* dest, const char* src);
} PF_ANSICallbacks;

// Callbacks of in_data->utils.
typedef struct PF_UtilCallbacks {
    PF_ANSICallbacks ansi;
    void (*host_dispose_handle)(PF_Handle handle);
    PF_Err (*get_pixel_data8)(PF_EffectWorld* world, void* pixels0, PF_Pixel8** pixels);
    PF_Err (*get_pixel_data16)(PF_EffectWorld* world, void* pixels0, PF_Pixel16** pixels);
} PF_UtilCallbacks;

struct SPBasicSuite;

typedef struct PF_InData {
    PF_InteractCallbacks inter;
    PF_UtilCallbacks* utils;
    PF_ProgPtr effect_ref;
    int32_t current_time;
    int32_t time_step;
    uint32_t time_scale;
    PF_RationalScale downsample_x;
    PF_RationalScale downsample_y;
    PF_Handle sequence_data;
    struct SPBasicSuite* pica_basicP;
} PF_InData;

enum { PF_MAX_RETURN_MSG_LEN = 256 };

typedef struct PF_OutData {
    uint32_t my_version;
    int32_t out_flags;
    int32_t out_flags2;
    int32_t num_params;
    PF_Handle sequence_data;
    char return_msg[PF_MAX_RETURN_MSG_LEN];
} PF_OutData;

// Smart pre-render.
typedef struct PF_RenderRequest {
    PF_LRect rect;
    int32_t field;
    uint32_t channel_mask;
    uint8_t preserve_rgb_of_zero_alpha;
    uint8_t unused[3];
    int32_t reserved[4];
} PF_RenderRequest;

typedef struct PF_CheckoutResult {
    PF_LRect result_rect;
    PF_LRect max_result_rect;
    double par;
    int32_t solid;
    int32_t reserved[3];
} PF_CheckoutResult;

typedef struct PF_PreRenderInput {
    PF_RenderRequest output_request;
    int16_t bitdepth;
} PF_PreRenderInput;

typedef struct PF_PreRenderOutput {
    PF_LRect result_rect;
    PF_LRect max_result_rect;
    uint8_t solid;
    uint8_t reserved;
    int16_t flags;
    void* pre_render_data;
} PF_PreRenderOutput;

typedef struct PF_PreRenderCallbacks {
    PF_Err (*checkout_layer)(PF_ProgPtr effect_ref, int32_t index, int32_t checkout_id,
                             const PF_RenderRequest* request, int32_t what_time,
                             int32_t time_step, uint32_t time_scale,
                             PF_CheckoutResult* result);
} PF_PreRenderCallbacks;

typedef struct PF_PreRenderExtra {
    PF_PreRenderInput* input;
    PF_PreRenderOutput* output;
    PF_PreRenderCallbacks* cb;
} PF_PreRenderExtra;

// Smart render.
typedef struct PF_SmartRenderInput {
    PF_RenderRequest output_request;
    int16_t bitdepth;
    void* pre_render_data;
} PF_SmartRenderInput;

typedef struct PF_SmartRenderCallbacks {
    PF_Err (*checkout_layer_pixels)(PF_ProgPtr effect_ref, int32_t checkout_id,
                                    PF_EffectWorld** pixels);
    PF_Err (*checkin_layer_pixels)(PF_ProgPtr effect_ref, int32_t checkout_id);
    PF_Err (*checkout_output)(PF_ProgPtr effect_ref, PF_EffectWorld** output);
} PF_SmartRenderCallbacks;

typedef struct PF_SmartRenderExtra {
    PF_SmartRenderInput* input;
    PF_SmartRenderCallbacks* cb;
} PF_SmartRenderExtra;

// The command entry point and the registration entry point.
typedef PF_Err (*PF_EffectMainFunc)(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                    PF_ParamDef* params[], PF_LayerDef* output, void* extra);

typedef void* PF_PluginDataPtr;
typedef PF_Err (*PF_PluginDataCB)(PF_PluginDataPtr inPtr, const char* name,
                                  const char* matchName, const char* category,
                                  const char* entryPointName, int32_t kind,
                                  int32_t apiVersionMajor, int32_t apiVersionMinor,
                                  int32_t reservedInfo);
typedef PF_Err (*PF_PluginDataEntryFunc)(PF_PluginDataPtr inPtr, PF_PluginDataCB callback,
                                         struct SPBasicSuite* basicSuite,
                                         const char* hostName, const char* hostVersion);

#ifdef __cplusplus
}
#endif
