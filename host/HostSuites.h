// The host's named suites, as function tables handed out by the basic suite.
#pragma once

#include "HostTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t SPErr;

typedef struct SPBasicSuite {
    SPErr (*AcquireSuite)(const char* name, int32_t version, const void** suite);
    SPErr (*ReleaseSuite)(const char* name, int32_t version);
} SPBasicSuite;

// "PF ANSI Suite" version 1.
typedef struct PF_ANSICallbacksSuite1 {
    int (*sprintf)(char* buffer, const char* format, ...);
    char* (*strcpy)(char* dest, const char* src);
} PF_ANSICallbacksSuite1;

// "PF Handle Suite" version 2.
typedef struct PF_HandleSuite1 {
    PF_Handle (*host_new_handle)(uint64_t size);
    void* (*host_lock_handle)(PF_Handle handle);
    void (*host_unlock_handle)(PF_Handle handle);
    void (*host_dispose_handle)(PF_Handle handle);
    uint64_t (*host_get_handle_size)(PF_Handle handle);
} PF_HandleSuite1;

// "PF World Suite" version 2.
typedef struct PF_WorldSuite2 {
    PF_Err (*PF_GetPixelFormat)(const PF_EffectWorld* world, PF_PixelFormat* format);
} PF_WorldSuite2;

// "PF iterateFloat Suite" version 1. The per-pixel function gets the refcon,
// the pixel's coordinates, the source pixel and the destination pixel.
typedef PF_Err (*PF_IteratePixelFloatFunc)(void* refcon, int32_t x, int32_t y,
                                           PF_PixelFloat* in, PF_PixelFloat* out);

typedef struct PF_iterateFloatSuite1 {
    PF_Err (*iterate)(PF_InData* in_data, int32_t progress_base, int32_t progress_final,
                      PF_EffectWorld* src, const PF_Rect* area, void* refcon,
                      PF_IteratePixelFloatFunc pix_fn, PF_EffectWorld* dst);
} PF_iterateFloatSuite1;

#define kPFANSISuite "PF ANSI Suite"
#define kPFANSISuiteVersion1 1
#define kPFHandleSuite "PF Handle Suite"
#define kPFHandleSuiteVersion1 2
#define kPFWorldSuite "PF World Suite"
#define kPFWorldSuiteVersion2 2
#define kPFIterateFloatSuite "PF iterateFloat Suite"
#define kPFIterateFloatSuiteVersion1 1

#ifdef __cplusplus
}
#endif
