#include "WindowSystemSpy.h"

#include <EGL/egl.h>
#include <GL/glx.h>
#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace spy {
namespace {

std::atomic<int> liveContexts{0};
std::atomic<int> liveSurfaces{0};
std::atomic<int> makeCurrentCalls{0};
std::atomic<int> liveGLNames{0};
enum Fault : unsigned { kNoContexts = 1, kNoMakeCurrent = 2, kNoVersions = 4, kNoDevices = 8, kNoSurfaceless = 16 };
std::atomic<unsigned> faults{0}; // of Fault
std::atomic<int> makeCurrentWithoutOpenGLApi{0};
thread_local std::deque<unsigned> queuedErrors;
thread_local EGLenum boundApi = EGL_OPENGL_ES_API; // EGL's initial API on every thread

// The client extensions without those of the hidden platforms, valid until
// the thread's next call.
const char* VisibleClientExtensions(const char* all)
{
    thread_local std::string text;
    text.clear();
    std::istringstream words(all != nullptr ? all : "");
    std::string word;
    while (words >> word) {
        const bool device = word.rfind("EGL_EXT_device_", 0) == 0 || word == "EGL_EXT_platform_device";
        if (!(device && faults & kNoDevices) && !(word == "EGL_MESA_platform_surfaceless" && faults & kNoSurfaceless)) {
            text += (text.empty() ? "" : " ") + word;
        }
    }
    return text.c_str();
}

template <typename Function>
Function Real(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

using GetErrorFunction = unsigned (*)();

__GLXextFuncPtr RealGLFunction(const char* name)
{
    static const auto real = Real<__GLXextFuncPtr (*)(const GLubyte*)>("glXGetProcAddress");
    return real(reinterpret_cast<const GLubyte*>(name));
}

int NonZero(int count, const unsigned* names)
{
    return static_cast<int>(std::count_if(names, names + count, [](unsigned name) { return name != 0; }));
}

// The OpenGL functions that make and delete names, in pairs: the names that
// pass through them are counted.
constexpr const char* kNameFunctions[] = {
    "glGenTextures",   "glDeleteTextures", "glGenFramebuffers", "glDeleteFramebuffers",
    "glGenBuffers",    "glDeleteBuffers",  "glGenVertexArrays", "glDeleteVertexArrays",
    "glCreateProgram", "glDeleteProgram",  "glCreateShader",    "glDeleteShader"};

// Resolved before any thread starts, in the order of kNameFunctions.
const std::vector<__GLXextFuncPtr> kRealNameFunctions = [] {
    std::vector<__GLXextFuncPtr> real(std::size(kNameFunctions));
    std::transform(std::begin(kNameFunctions), std::end(kNameFunctions), real.begin(), RealGLFunction);
    return real;
}();

template <typename Function>
Function RealNameFunction(int i)
{
    return reinterpret_cast<Function>(kRealNameFunctions[i]);
}

template <int Gen> // glGen* at Gen, its glDelete* next
struct CountedNames {
    static void gen(int count, unsigned* names)
    {
        RealNameFunction<void (*)(int, unsigned*)>(Gen)(count, names);
        liveGLNames += NonZero(count, names);
    }
    static void remove(int count, const unsigned* names)
    {
        liveGLNames -= NonZero(count, names);
        RealNameFunction<void (*)(int, const unsigned*)>(Gen + 1)(count, names);
    }
};

template <int Create, typename... Kind> // glCreate* at Create, its glDelete* next
struct CountedObjects {
    static unsigned create(Kind... kind)
    {
        const unsigned name = RealNameFunction<unsigned (*)(Kind...)>(Create)(kind...);
        liveGLNames += name != 0;
        return name;
    }
    static void remove(unsigned name)
    {
        liveGLNames -= name != 0;
        RealNameFunction<void (*)(unsigned)>(Create + 1)(name);
    }
};

template <typename Function>
__GLXextFuncPtr AsProc(Function function)
{
    return reinterpret_cast<__GLXextFuncPtr>(function);
}

// In the order of kNameFunctions.
const __GLXextFuncPtr kCountingFunctions[] = {
    AsProc(&CountedNames<0>::gen),  AsProc(&CountedNames<0>::remove),
    AsProc(&CountedNames<2>::gen),  AsProc(&CountedNames<2>::remove),
    AsProc(&CountedNames<4>::gen),  AsProc(&CountedNames<4>::remove),
    AsProc(&CountedNames<6>::gen),  AsProc(&CountedNames<6>::remove),
    AsProc(&CountedObjects<8>::create), AsProc(&CountedObjects<8>::remove),
    AsProc(&CountedObjects<10, unsigned>::create), AsProc(&CountedObjects<10, unsigned>::remove),
};
static_assert(std::size(kCountingFunctions) == std::size(kNameFunctions));

const auto kRealGetError = reinterpret_cast<GetErrorFunction>(RealGLFunction("glGetError"));

unsigned FakeGetError()
{
    if (!queuedErrors.empty()) {
        const unsigned error = queuedErrors.front();
        queuedErrors.pop_front();
        return error;
    }
    return kRealGetError();
}

} // namespace

int LiveContexts() { return liveContexts.load(); }
int LiveSurfaces() { return liveSurfaces.load(); }
int MakeCurrentCalls() { return makeCurrentCalls.load(); }
int LiveGLNames() { return liveGLNames.load(); }
int MakeCurrentWithoutOpenGLApi() { return makeCurrentWithoutOpenGLApi.load(); }
void FailContextCreation() { faults |= kNoContexts; }
void FailMakeCurrentOfContexts() { faults |= kNoMakeCurrent; }
void HideVersionedContexts() { faults |= kNoVersions; }
void HideDevicePlatform() { faults |= kNoDevices; }
void HideSurfacelessPlatform() { faults |= kNoSurfaceless; }
void ClearFaults() { faults = 0; }

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
    if (faults & kNoContexts) {
        return EGL_NO_CONTEXT;
    }
    const EGLContext context = real(display, config, share, attributes);
    liveContexts += context != EGL_NO_CONTEXT;
    return context;
}

SPY_EXPORT EGLBoolean eglBindAPI(EGLenum api)
{
    static const auto real = Real<decltype(&eglBindAPI)>("eglBindAPI");
    const EGLBoolean bound = real(api);
    if (bound == EGL_TRUE) {
        boundApi = api;
    }
    return bound;
}

SPY_EXPORT EGLBoolean eglDestroyContext(EGLDisplay display, EGLContext context)
{
    static const auto real = Real<decltype(&eglDestroyContext)>("eglDestroyContext");
    const EGLBoolean destroyed = real(display, context);
    liveContexts -= destroyed == EGL_TRUE;
    return destroyed;
}

SPY_EXPORT EGLSurface eglCreatePbufferSurface(EGLDisplay display, EGLConfig config, const EGLint* attributes)
{
    static const auto real = Real<decltype(&eglCreatePbufferSurface)>("eglCreatePbufferSurface");
    const EGLSurface surface = real(display, config, attributes);
    liveSurfaces += surface != EGL_NO_SURFACE;
    return surface;
}

SPY_EXPORT EGLBoolean eglDestroySurface(EGLDisplay display, EGLSurface surface)
{
    static const auto real = Real<decltype(&eglDestroySurface)>("eglDestroySurface");
    const EGLBoolean destroyed = real(display, surface);
    liveSurfaces -= destroyed == EGL_TRUE;
    return destroyed;
}

SPY_EXPORT EGLBoolean eglMakeCurrent(EGLDisplay display, EGLSurface draw, EGLSurface read, EGLContext context)
{
    static const auto real = Real<decltype(&eglMakeCurrent)>("eglMakeCurrent");
    ++makeCurrentCalls;
    makeCurrentWithoutOpenGLApi += context != EGL_NO_CONTEXT && boundApi != EGL_OPENGL_API;
    if (faults & kNoMakeCurrent && context != EGL_NO_CONTEXT) {
        return EGL_FALSE;
    }
    return real(display, draw, read, context);
}

SPY_EXPORT const char* eglQueryString(EGLDisplay display, EGLint name)
{
    static const auto real = Real<decltype(&eglQueryString)>("eglQueryString");
    if (faults & kNoVersions && name == EGL_VERSION) {
        return "1.4";
    }
    if (display == EGL_NO_DISPLAY && name == EGL_EXTENSIONS) {
        return VisibleClientExtensions(real(display, name));
    }
    if (faults & kNoVersions && name == EGL_EXTENSIONS) {
        return "EGL_KHR_surfaceless_context";
    }
    return real(display, name);
}

// glbinding resolves every OpenGL function through here.
SPY_EXPORT __GLXextFuncPtr glXGetProcAddress(const GLubyte* name)
{
    const char* const function = reinterpret_cast<const char*>(name);
    if (std::strcmp(function, "glGetError") == 0) {
        return reinterpret_cast<__GLXextFuncPtr>(&FakeGetError);
    }
    for (size_t i = 0; i < std::size(kNameFunctions); ++i) {
        if (std::strcmp(function, kNameFunctions[i]) == 0) {
            return kCountingFunctions[i];
        }
    }
    return RealGLFunction(function);
}

} // extern "C"
