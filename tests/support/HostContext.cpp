#include "tests/support/HostContext.h"

#include <EGL/eglext.h>

#include <stdexcept>

namespace testsupport {
HostContext::HostContext()
{
    display_ = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display_ == EGL_NO_DISPLAY || !eglInitialize(display_, nullptr, nullptr) ||
        !eglBindAPI(EGL_OPENGL_API)) {
        throw std::runtime_error("no EGL display for the host's context");
    }
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    const EGLint size[] = {EGL_WIDTH, 4, EGL_HEIGHT, 4, EGL_NONE};
    if (!eglChooseConfig(display_, configAttributes, &config, 1, &count) || count == 0 ||
        (surface_ = eglCreatePbufferSurface(display_, config, size)) == EGL_NO_SURFACE) {
        throw std::runtime_error("no pbuffer for the host's context");
    }
    context_ = eglCreateContext(display_, config, EGL_NO_CONTEXT, nullptr);
    if (context_ == EGL_NO_CONTEXT || !eglMakeCurrent(display_, surface_, surface_, context_)) {
        if (context_ != EGL_NO_CONTEXT) {
            eglDestroyContext(display_, context_);
        }
        eglDestroySurface(display_, surface_);
        throw std::runtime_error("the host's context cannot be made current");
    }
}

HostContext::~HostContext()
{
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display_, context_);
    eglDestroySurface(display_, surface_);
}

bool HostContext::isCurrent() const
{
    eglBindAPI(EGL_OPENGL_API);
    return eglGetCurrentDisplay() == display_ && eglGetCurrentContext() == context_ &&
           eglGetCurrentSurface(EGL_DRAW) == surface_ && eglGetCurrentSurface(EGL_READ) == surface_;
}

int HostContext::maxTextureSize()
{
    eglMakeCurrent(display_, surface_, surface_, context_);
    const auto getIntegerv = reinterpret_cast<void (*)(unsigned, int*)>(eglGetProcAddress("glGetIntegerv"));
    int size = 0;
    if (getIntegerv) {
        getIntegerv(0x0D33, &size); // GL_MAX_TEXTURE_SIZE
    }
    return size;
}

} // namespace testsupport
