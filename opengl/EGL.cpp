// The window-system side of the layer on headless EGL: an 8x8 pbuffer stands
// in for the hidden window, and one EGL display, chosen by EglDisplayChoice,
// serves the whole process.
#include "Diagnostics.h"
#include "Platform.h"
#include "EglDisplayChoice.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace irxgl {
namespace {

constexpr EGLint kDrawableSize = 8;

std::atomic<EGLDisplay> chosenDisplay{EGL_NO_DISPLAY};
std::mutex choiceMutex;

// The process's display once chosen; EGL_NO_DISPLAY before.
EGLDisplay Display()
{
    return chosenDisplay.load();
}

// Chosen on first use and never terminated: the display is one handle for the
// whole process, shared with anything else in it that uses EGL. A failed
// choice is said on standard output and tried again on the next call.
EGLDisplay ChooseDisplayOnce()
{
    const std::lock_guard<std::mutex> lock(choiceMutex);
    if (chosenDisplay.load() == EGL_NO_DISPLAY) {
        try {
            chosenDisplay = irx_egl::ChooseDisplay(irx_egl::ChoiceSettings::FromEnvironment()).display;
        } catch (const irx_egl::ChoiceError& e) {
            WriteLine(std::string("EGL: ") + e.what());
        }
    }
    return chosenDisplay.load();
}

// The current-context slots of EGL are per client API and per thread.
bool BindOpenGL()
{
    return eglBindAPI(EGL_OPENGL_API) == EGL_TRUE;
}

void ThrowOsCallsFailed()
{
    throw Fault{OsCallsFailed};
}

EGLConfig ChooseDrawableConfig(EGLDisplay display)
{
    const EGLConfig config = irx_egl::DrawableConfig(display);
    if (config == nullptr) {
        ThrowOsCallsFailed();
    }
    return config;
}

EGLConfig ConfigOfDrawable(EGLDisplay display, EGLSurface drawable)
{
    EGLint configId = 0;
    if (eglQuerySurface(display, drawable, EGL_CONFIG_ID, &configId) != EGL_TRUE) {
        ThrowOsCallsFailed();
    }
    const EGLint attributes[] = {EGL_CONFIG_ID, configId, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (eglChooseConfig(display, attributes, &config, 1, &count) != EGL_TRUE || count < 1) {
        ThrowOsCallsFailed();
    }
    return config;
}

// Versioned (3.3 core) contexts need EGL 1.5 or EGL_KHR_create_context.
bool VersionedContextsAvailable(EGLDisplay display)
{
    const char* version = eglQueryString(display, EGL_VERSION);
    int major = 0;
    int minor = 0;
    const bool atLeast15 = version != nullptr && std::sscanf(version, "%d.%d", &major, &minor) == 2 &&
                           (major > 1 || (major == 1 && minor >= 5));
    return atLeast15 || irx_egl::HasExtension(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_create_context");
}

// Deletes a new context unless it is handed on, so that a failed set-up leaves
// no context behind (and none current).
class NewContext {
public:
    NewContext(EGLDisplay display, EGLContext context) : display_(display), context_(context) {}
    ~NewContext()
    {
        if (context_ == EGL_NO_CONTEXT) {
            return;
        }
        if (eglGetCurrentContext() == context_) {
            eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        }
        eglDestroyContext(display_, context_);
    }
    NewContext(const NewContext&) = delete;
    NewContext& operator=(const NewContext&) = delete;

    EGLContext get() const { return context_; }
    EGLContext release()
    {
        const EGLContext context = context_;
        context_ = EGL_NO_CONTEXT;
        return context;
    }

private:
    EGLDisplay display_;
    EGLContext context_;
};

} // namespace

WindowHandle CreateHiddenWindow(std::string& className)
{
    className = NextWindowClassName();
    const EGLDisplay display = ChooseDisplayOnce();
    if (display == EGL_NO_DISPLAY) {
        ThrowOsCallsFailed();
    }
    const EGLint size[] = {EGL_WIDTH, kDrawableSize, EGL_HEIGHT, kDrawableSize, EGL_NONE};
    const EGLSurface drawable =
        eglCreatePbufferSurface(display, ChooseDrawableConfig(display), size);
    if (drawable == EGL_NO_SURFACE) {
        ThrowOsCallsFailed();
    }
    return drawable;
}

RenderContextHandle CreateGLContext(DeviceContextHandle deviceContext,
                                    RenderContextHandle shareContext)
{
    const EGLDisplay display = Display();
    const EGLSurface drawable = deviceContext;
    const EGLConfig config = ConfigOfDrawable(display, drawable);
    if (!BindOpenGL()) {
        ThrowOsCallsFailed();
    }

    // The root is a compatibility context; a render thread's context is 3.3
    // (core by default) and joins the root's share group at creation.
    const EGLint legacyAttributes[] = {EGL_NONE};
    const EGLint versionedAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3,
                                          EGL_CONTEXT_MINOR_VERSION, 3, EGL_NONE};
    NewContext context(display, shareContext == nullptr
                                    ? eglCreateContext(display, config, EGL_NO_CONTEXT,
                                                       legacyAttributes)
                                    : eglCreateContext(display, config, shareContext,
                                                       versionedAttributes));
    if (context.get() == EGL_NO_CONTEXT ||
        eglMakeCurrent(display, drawable, drawable, context.get()) != EGL_TRUE) {
        ThrowOsCallsFailed();
    }
    if (shareContext == nullptr && !VersionedContextsAvailable(display)) {
        ThrowOsCallsFailed();
    }
    return context.release();
}

namespace Platform {

DeviceContextHandle GetDeviceContext(WindowHandle window)
{
    return window;
}

bool MakeCurrent(DeviceContextHandle deviceContext, RenderContextHandle renderContext)
{
    if (!BindOpenGL()) {
        return false;
    }
    if (renderContext == nullptr) {
        const EGLDisplay current = eglGetCurrentDisplay();
        return current == EGL_NO_DISPLAY ||
               eglMakeCurrent(current, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT) == EGL_TRUE;
    }
    return eglMakeCurrent(Display(), deviceContext, deviceContext, renderContext) == EGL_TRUE;
}

void QueryCurrent(void* state[4])
{
    BindOpenGL();
    state[0] = eglGetCurrentDisplay();
    state[1] = eglGetCurrentSurface(EGL_DRAW);
    state[2] = eglGetCurrentSurface(EGL_READ);
    state[3] = eglGetCurrentContext();
}

bool IsCurrent(void* const state[4])
{
    void* now[4];
    QueryCurrent(now);
    return std::memcmp(now, state, sizeof(now)) == 0;
}

void RestoreCurrent(void* const state[4])
{
    if (state[3] == EGL_NO_CONTEXT) {
        MakeCurrent(nullptr, nullptr);
        return;
    }
    BindOpenGL();
    eglMakeCurrent(state[0], state[1], state[2], state[3]);
}

void TeardownHolder(EffectCommonData& holder)
{
    const EGLDisplay display = Display();
    if (holder.renderContext != nullptr) {
        BindOpenGL();
        if (eglGetCurrentContext() == holder.renderContext) {
            eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        }
        eglDestroyContext(display, holder.renderContext);
        holder.renderContext = nullptr;
    }
    // The device context is the drawable itself: nothing of its own to release.
    holder.deviceContext = nullptr;
    if (holder.window != nullptr) {
        eglDestroySurface(display, holder.window);
        holder.window = nullptr;
    }
    holder.windowClassName.clear();
}

} // namespace Platform
} // namespace irxgl
