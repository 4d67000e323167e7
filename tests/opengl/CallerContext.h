// A context of the test's own, standing for the host's: current on this thread
// while it lives.
#pragma once

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <string>

class CallerContext {
public:
    CallerContext()
        : display_(eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr))
    {
        eglInitialize(display_, nullptr, nullptr);
        eglBindAPI(EGL_OPENGL_API);
        context_ = eglCreateContext(display_, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, nullptr);
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_);
    }
    ~CallerContext()
    {
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display_, context_);
    }
    CallerContext(const CallerContext&) = delete;
    CallerContext& operator=(const CallerContext&) = delete;

    bool IsCurrent() const { return CurrentContext() == context_ && eglGetCurrentDisplay() == display_; }

    static EGLContext CurrentContext()
    {
        eglBindAPI(EGL_OPENGL_API);
        return eglGetCurrentContext();
    }

private:
    EGLDisplay display_;
    EGLContext context_;
};

// Context-information blocks in captured output.
inline int ContextBlocks(const std::string& output)
{
    int blocks = 0;
    for (size_t at = output.find("OpenGL Version:  "); at != std::string::npos;
         at = output.find("OpenGL Version:  ", at + 1)) {
        ++blocks;
    }
    return blocks;
}
