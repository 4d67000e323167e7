#include "WindowSystemSpy.h"

#include <EGL/egl.h>
#include <GL/glx.h>
#include <dlfcn.h>

#include <atomic>
#include <cstring>
#include <deque>
#include <string>

namespace spy {
namespace {

std::atomic<int> liveContexts{0};
std::atomic<int> liveSurfaces{0};
std::atomic<int> makeCurrentCalls{0};
std::atomic<bool> failContextCreation{false};
std::atomic<bool> failMakeCurrent{false};
std::atomic<bool> hideVersionedContexts{false};
thread_local std::deque<unsigned> queuedErrors;

template <typename Function>
Function Real(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

using GetErrorFunction = unsigned (*)();

unsigned FakeGetError()
{
    static const auto real = reinterpret_cast<GetErrorFunction>(
        Real<__GLXextFuncPtr (*)(const GLubyte*)>("glXGetProcAddress")(
            reinterpret_cast<const GLubyte*>("glGetError")));
    if (!queuedErrors.empty()) {
        const unsigned error = queuedErrors.front();
        queuedErrors.pop_front();
        return error;
    }
    return real();
}

} // namespace

int LiveContexts() { return liveContexts.load(); }
int LiveSurfaces() { return liveSurfaces.load(); }
int MakeCurrentCalls() { return makeCurrentCalls.load(); }
void FailContextCreation() { failContextCreation = true; }
void FailMakeCurrentOfContexts() { failMakeCurrent = true; }
void HideVersionedContexts() { hideVersionedContexts = true; }

void ClearFaults()
{
    failContextCreation = false;
    failMakeCurrent = false;
    hideVersionedContexts = false;
}

void QueueGLErrors(std::initializer_list<unsigned> errors)
{
    queuedErrors.insert(queuedErrors.end(), errors);
}

} // namespace spy

using namespace spy;

// Visible to the shared libraries too (glbinding, Mesa's own use stays inside Mesa).
#define SPY_EXPORT __attribute__((visibility("default")))

extern "C" {

SPY_EXPORT EGLContext eglCreateContext(EGLDisplay display, EGLConfig config, EGLContext share,
                            const EGLint* attributes)
{
    static const auto real = Real<decltype(&eglCreateContext)>("eglCreateContext");
    if (failContextCreation) {
        return EGL_NO_CONTEXT;
    }
    const EGLContext context = real(display, config, share, attributes);
    if (context != EGL_NO_CONTEXT) {
        ++liveContexts;
    }
    return context;
}

SPY_EXPORT EGLBoolean eglDestroyContext(EGLDisplay display, EGLContext context)
{
    static const auto real = Real<decltype(&eglDestroyContext)>("eglDestroyContext");
    const EGLBoolean destroyed = real(display, context);
    if (destroyed == EGL_TRUE) {
        --liveContexts;
    }
    return destroyed;
}

SPY_EXPORT EGLSurface eglCreatePbufferSurface(EGLDisplay display, EGLConfig config, const EGLint* attributes)
{
    static const auto real = Real<decltype(&eglCreatePbufferSurface)>("eglCreatePbufferSurface");
    const EGLSurface surface = real(display, config, attributes);
    if (surface != EGL_NO_SURFACE) {
        ++liveSurfaces;
    }
    return surface;
}

SPY_EXPORT EGLBoolean eglDestroySurface(EGLDisplay display, EGLSurface surface)
{
    static const auto real = Real<decltype(&eglDestroySurface)>("eglDestroySurface");
    const EGLBoolean destroyed = real(display, surface);
    if (destroyed == EGL_TRUE) {
        --liveSurfaces;
    }
    return destroyed;
}

SPY_EXPORT EGLBoolean eglMakeCurrent(EGLDisplay display, EGLSurface draw, EGLSurface read, EGLContext context)
{
    static const auto real = Real<decltype(&eglMakeCurrent)>("eglMakeCurrent");
    ++makeCurrentCalls;
    if (failMakeCurrent && context != EGL_NO_CONTEXT) {
        return EGL_FALSE;
    }
    return real(display, draw, read, context);
}

SPY_EXPORT const char* eglQueryString(EGLDisplay display, EGLint name)
{
    static const auto real = Real<decltype(&eglQueryString)>("eglQueryString");
    if (hideVersionedContexts && name == EGL_VERSION) {
        return "1.4";
    }
    if (hideVersionedContexts && name == EGL_EXTENSIONS) {
        return "EGL_KHR_surfaceless_context";
    }
    return real(display, name);
}

// glbinding resolves every OpenGL function through here.
SPY_EXPORT __GLXextFuncPtr glXGetProcAddress(const GLubyte* name)
{
    static const auto real = Real<decltype(&glXGetProcAddress)>("glXGetProcAddress");
    if (std::strcmp(reinterpret_cast<const char*>(name), "glGetError") == 0) {
        return reinterpret_cast<__GLXextFuncPtr>(&FakeGetError);
    }
    return real(name);
}

} // extern "C"
