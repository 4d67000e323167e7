// The window-system seam of the OpenGL layer. Exactly one of the sibling files
// WGL.cpp (Windows) and EGL.cpp (headless EGL) is built; the rest of the layer
// reaches the window system only through here.
#pragma once

#include "Layer.h"

#include <string>

namespace irxgl {

// The next name "IrxGL_Win_Class<n>" of this process (n counts up from
// 0, atomically). Shared by both window systems.
std::string NextWindowClassName();

// Creates an invisible 8x8 drawable with an RGBA8, 8-bit depth, single-buffered
// OpenGL format; stores NextWindowClassName() into className first.
// Throws Fault{OsCallsFailed}.
WindowHandle CreateHiddenWindow(std::string& className);

// A null share context creates the legacy root context (and checks that
// versioned contexts can be created); a non-null one creates a 3.3 core context
// that shares objects with it. The new context is current on return.
// Throws Fault{OsCallsFailed}; leaves no context behind on failure.
RenderContextHandle CreateGLContext(DeviceContextHandle deviceContext,
                                    RenderContextHandle shareContext);

namespace Platform {

// The drawable's device context: GetDC on WGL; on EGL the drawable itself.
DeviceContextHandle GetDeviceContext(WindowHandle window);

// Makes the pair current on this thread; two nulls make no context current.
bool MakeCurrent(DeviceContextHandle deviceContext, RenderContextHandle renderContext);

// The calling thread's current context, in the four slots of SavedContext.
void QueryCurrent(void* state[4]);
// True when the recorded state is what is current now.
bool IsCurrent(void* const state[4]);
// Makes the recorded state current again; never throws.
void RestoreCurrent(void* const state[4]);

// The window-system half of a holder's teardown: the context made not current
// and deleted, the device context released, the drawable and its class gone.
// Clears the holder's handles; never throws.
void TeardownHolder(EffectCommonData& holder);

} // namespace Platform
} // namespace irxgl
