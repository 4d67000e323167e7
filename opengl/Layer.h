// The module's OpenGL layer: hidden drawables and contexts, the common and
// per-thread data holders with their render targets, program building and
// fault reporting. Nothing above this header knows which window system
// (WGL or EGL) runs underneath.
#pragma once

#include <cstdint>
#include <string>

namespace irxgl {

enum FaultCode : int32_t {
    Ok = 0,
    OsCallsFailed = 1,
    OsUnloadFailed = 2,
    ResourcesLoadFailed = 3,
    ResourcesUnloadFailed = 4,
    ExtensionsNotFound = 5,
    ShaderError = 6,
    UnknownError = 7
};

// Thrown by value; carries only its code.
struct Fault {
    FaultCode code;
};

std::string FaultString(int32_t code);

// Completeness of the framebuffer bound to GL_FRAMEBUFFER, as text ("OK" when complete).
std::string FramebufferStatusString();

// Compiles and links a program on the current context and stores its name,
// linked or not; logs go to stdout, nothing is thrown. True when it linked.
bool BuildProgram(uint32_t& program, const char* vertexSource, const char* fragmentSource);

// Drains the current context's error queue, one stdout line per error.
void ReportGLErrors(const char* sourceFile, int line);

// Window-system handles, opaque above the platform files:
// WGL: HWND, HDC, HGLRC. EGL: pbuffer surface, the same surface (the drawable
// the context draws to; the display is one per process), context.
using WindowHandle = void*;
using DeviceContextHandle = void*;
using RenderContextHandle = void*;

struct EffectCommonData {
    EffectCommonData() = default;
    EffectCommonData(const EffectCommonData&) = delete;
    EffectCommonData& operator=(const EffectCommonData&) = delete;
    virtual ~EffectCommonData();

    bool initialized = false;
    WindowHandle window = nullptr;
    DeviceContextHandle deviceContext = nullptr;
    RenderContextHandle renderContext = nullptr;
    std::string windowClassName;
    // The glbinding context handle lent to this holder's context; 0 when none.
    int bindingHandle = 0;
};

struct EffectRenderData : EffectCommonData {
    EffectRenderData() = default;
    ~EffectRenderData() override;

    uint32_t framebuffers[3] = {0, 0, 0};
    uint16_t width = 0;
    uint16_t height = 0;
    uint32_t programs[3] = {0, 0, 0};
    uint32_t colorTextures[3] = {0, 0, 0};
    uint32_t quadVertexArray = 0;
    uint32_t quadVertexBuffer = 0;
    int32_t targetCount = 3;
};

// Gives the holder its hidden drawable and context (sharing with shareSource's
// context when given), makes it current and binds glbinding to it. Without a
// share source it creates the process's root context (global setup). A
// render-data holder needs a share source that has a context. A holder that
// failed before is cleared first. Throws Fault.
void InitContext(EffectCommonData& holder, const EffectCommonData* shareSource);

// Makes the holder's context current on this thread and points glbinding at it.
// Returns false when the holder has no bound context or the window system refused.
bool MakeCurrent(EffectCommonData& holder);

// Lets go of the holder's window-system objects without calling the window
// system or OpenGL, so that its destruction makes no such call. For module
// unload, when the driver may already be gone.
void DetachHolder(EffectCommonData& holder);

// Rebuilds the quad and the three float render targets at the given size and
// builds the three programs once per holder. The holder's context must be
// current. Throws Fault{ShaderError} when a program did not build; it is
// built again on the next call.
void InitResources(EffectRenderData& renderData, uint16_t width, uint16_t height);

// Remembers the calling thread's current context and puts it back at scope end.
class SavedContext {
public:
    SavedContext();
    ~SavedContext();
    SavedContext(const SavedContext&) = delete;
    SavedContext& operator=(const SavedContext&) = delete;

private:
    // WGL: device context, rendering context. EGL: display, draw surface,
    // read surface, context.
    void* saved_[4] = {nullptr, nullptr, nullptr, nullptr};
};

} // namespace irxgl
