// The module-wide OpenGL state: the common data of global setup and every
// render thread's own data, with the per-thread lookup that smart render uses.
#pragma once

#include "opengl/Layer.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

// Set by global setup, emptied by global setdown; the host renders nothing
// while either runs, so reading it needs no lock.
extern std::shared_ptr<irxgl::EffectCommonData> sharedCommonData;

// Thread number to that thread's render data; guarded by renderDataMutex.
extern std::map<int32_t, std::shared_ptr<irxgl::EffectRenderData>> renderDataByThread;
extern std::recursive_mutex renderDataMutex;

// The calling thread's render data, created on its first call (and again after
// a global setdown dropped it). Throws std::system_error or std::bad_alloc.
std::shared_ptr<irxgl::EffectRenderData> AcquireThreadRenderData();

// The common data render threads share their contexts with; empty before
// global setup and after global setdown. irxgl::InitContext refuses a render-data
// holder whose share source is null or has no context.
std::shared_ptr<irxgl::EffectCommonData> CommonDataForRenderThreads();
