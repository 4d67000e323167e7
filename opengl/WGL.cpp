// The Windows side of the window-system seam: hidden Win32 windows and WGL
// contexts.
#include "opengl/Platform.h"

#include <windows.h>

#include <utility>

namespace irxgl {
namespace {

using GetExtensionsStringFunc = const char*(WINAPI*)(HDC);
using CreateContextAttribsFunc = HGLRC(WINAPI*)(HDC, HGLRC, const int*);

// Looked up on the legacy path at global setup; render threads only read them.
GetExtensionsStringFunc wglGetExtensionsStringARB = nullptr;
CreateContextAttribsFunc wglCreateContextAttribsARB = nullptr;

constexpr int WGL_CONTEXT_MAJOR_VERSION_ARB = 0x2091;
constexpr int WGL_CONTEXT_MINOR_VERSION_ARB = 0x2092;

[[noreturn]] void ThrowOsCallsFailed()
{
    throw Fault{OsCallsFailed};
}

// A freshly created context that is deleted again unless creation completes.
class PendingContext {
public:
    explicit PendingContext(HGLRC context) : context_(context) {}
    ~PendingContext()
    {
        if (context_ == nullptr) {
            return;
        }
        if (wglGetCurrentContext() == context_) {
            wglMakeCurrent(nullptr, nullptr);
        }
        wglDeleteContext(context_);
    }
    PendingContext(const PendingContext&) = delete;
    PendingContext& operator=(const PendingContext&) = delete;

    HGLRC get() const { return context_; }
    HGLRC release() { return std::exchange(context_, nullptr); }

private:
    HGLRC context_;
};

template <typename Function>
Function LookUp(const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(wglGetProcAddress(name)));
}

void SetPixelFormatOf(HDC deviceContext)
{
    PIXELFORMATDESCRIPTOR descriptor{};
    descriptor.nSize = sizeof(descriptor);
    descriptor.nVersion = 1;
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = 32;
    descriptor.cDepthBits = 8;
    descriptor.iLayerType = PFD_MAIN_PLANE;

    const int format = ChoosePixelFormat(deviceContext, &descriptor);
    if (format == 0 || !SetPixelFormat(deviceContext, format, &descriptor)) {
        ThrowOsCallsFailed();
    }
}

// The root context. Creating it is also where the versioned-context entry
// point is found; without it no render thread could get a 3.3 context.
HGLRC CreateLegacyContext(HDC deviceContext)
{
    PendingContext context(wglCreateContext(deviceContext));
    if (context.get() == nullptr || !wglMakeCurrent(deviceContext, context.get())) {
        ThrowOsCallsFailed();
    }
    wglGetExtensionsStringARB = LookUp<GetExtensionsStringFunc>("wglGetExtensionsStringARB");
    if (wglGetExtensionsStringARB == nullptr) {
        ThrowOsCallsFailed();
    }
    const char* extensionList = wglGetExtensionsStringARB(deviceContext);
    const std::string extensions = extensionList != nullptr ? extensionList : "";
    if (extensions.find("WGL_ARB_create_context") != std::string::npos) {
        wglCreateContextAttribsARB = LookUp<CreateContextAttribsFunc>("wglCreateContextAttribsARB");
    }
    if (wglCreateContextAttribsARB == nullptr) {
        ThrowOsCallsFailed();
    }
    return context.release();
}

// A 3.3 context (core profile by default) in the share group of shareContext.
// The lists are shared before the new context is first made current: Wine's
// wglShareLists refuses a context that has ever been current, and sharing
// still precedes everything created in the new context.
HGLRC CreateSharingContext(HDC deviceContext, HGLRC shareContext)
{
    if (wglCreateContextAttribsARB == nullptr) {
        ThrowOsCallsFailed();
    }
    const int attributes[] = {WGL_CONTEXT_MAJOR_VERSION_ARB, 3, WGL_CONTEXT_MINOR_VERSION_ARB, 3, 0};
    PendingContext context(wglCreateContextAttribsARB(deviceContext, nullptr, attributes));
    if (context.get() == nullptr || !wglShareLists(shareContext, context.get()) ||
        !wglMakeCurrent(deviceContext, context.get())) {
        ThrowOsCallsFailed();
    }
    return context.release();
}

// A window can be destroyed only by the thread that created it. Returns true
// when the window is gone, so that its class may be unregistered.
bool DestroyWindowIfOwned(HWND window)
{
    if (!IsWindow(window)) {
        return true; // its thread has ended, which took the window with it
    }
    return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId() &&
           DestroyWindow(window);
}

} // namespace

WindowHandle CreateHiddenWindow(std::string& className)
{
    const HINSTANCE hostInstance = GetModuleHandleA(nullptr);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = hostInstance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));

    // Classes belong to the host executable and outlive this module: after a
    // reload the counter starts again at 0 while classes whose windows lived
    // on other threads are still registered, so an existing name is skipped.
    for (;;) {
        className = NextWindowClassName();
        windowClass.lpszClassName = className.c_str();
        if (RegisterClassExA(&windowClass) != 0) {
            break;
        }
        if (GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            ThrowOsCallsFailed();
        }
    }

    HWND window = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, className.c_str(),
                                  "OpenGL-using FBOs in IRX", 0, 0, 0, 8, 8, nullptr, nullptr,
                                  nullptr, nullptr);
    if (window == nullptr) {
        ThrowOsCallsFailed();
    }
    return window;
}

RenderContextHandle CreateGLContext(DeviceContextHandle deviceContext,
                                    RenderContextHandle shareContext)
{
    const HDC dc = static_cast<HDC>(deviceContext);
    SetPixelFormatOf(dc);
    return shareContext == nullptr ? CreateLegacyContext(dc)
                                   : CreateSharingContext(dc, static_cast<HGLRC>(shareContext));
}

namespace Platform {

DeviceContextHandle GetDeviceContext(WindowHandle window)
{
    return GetDC(static_cast<HWND>(window));
}

bool MakeCurrent(DeviceContextHandle deviceContext, RenderContextHandle renderContext)
{
    return wglMakeCurrent(static_cast<HDC>(deviceContext), static_cast<HGLRC>(renderContext)) !=
           FALSE;
}

// Slots: device context, rendering context; the other two stay null.
void QueryCurrent(void* state[4])
{
    state[0] = wglGetCurrentDC();
    state[1] = wglGetCurrentContext();
    state[2] = nullptr;
    state[3] = nullptr;
}

bool IsCurrent(void* const state[4])
{
    return wglGetCurrentDC() == state[0] && wglGetCurrentContext() == state[1];
}

void RestoreCurrent(void* const state[4])
{
    if (!IsCurrent(state)) {
        wglMakeCurrent(static_cast<HDC>(state[0]), static_cast<HGLRC>(state[1]));
    }
}

void TeardownHolder(EffectCommonData& holder)
{
    if (holder.renderContext != nullptr) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(static_cast<HGLRC>(holder.renderContext));
        holder.renderContext = nullptr;
    }
    const HWND window = static_cast<HWND>(holder.window);
    if (holder.deviceContext != nullptr) {
        ReleaseDC(window, static_cast<HDC>(holder.deviceContext));
        holder.deviceContext = nullptr;
    }
    // A window of another thread is left to that thread's end (or process
    // exit) together with its class; its procedure is the system's, so it
    // outlives this module safely.
    const bool windowGone = window == nullptr || DestroyWindowIfOwned(window);
    if (windowGone && !holder.windowClassName.empty()) {
        UnregisterClassA(holder.windowClassName.c_str(), nullptr);
    }
    holder.window = nullptr;
    holder.windowClassName.clear();
}

} // namespace Platform
} // namespace irxgl
