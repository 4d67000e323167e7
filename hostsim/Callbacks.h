// The host's callback tables and suites. Every function finds the state of
// the command it serves through CommandState, so one set of tables serves all
// commands on all threads.
#pragma once

#include "host/HostSuites.h"
#include "host/HostTypes.h"

#include <cstdarg>

namespace hostsim {

SPBasicSuite* BasicSuite();
PF_InteractCallbacks InteractCallbacks();
PF_UtilCallbacks UtilCallbacks();
PF_PreRenderCallbacks* PreRenderCallbacks();
PF_SmartRenderCallbacks* SmartRenderCallbacks();

// Shared by utils and the suites; `call` is the name the log records.
int RecordedVsprintf(const char* call, char* buffer, const char* format, va_list args);
char* RecordedStrcpy(const char* call, char* dest, const char* src);
void DisposeHandle(const char* call, PF_Handle handle);

// The iterateFloat suite's iterate.
PF_Err IterateFloat(PF_InData* in_data, int32_t progress_base, int32_t progress_final, PF_EffectWorld* src,
                    const PF_Rect* area, void* refcon, PF_IteratePixelFloatFunc pix_fn, PF_EffectWorld* dst);

} // namespace hostsim
