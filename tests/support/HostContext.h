// An OpenGL context of the test's own, standing in for the host's: made
// current on the constructing thread, so a test can check that the effect
// puts it back.
#pragma once

#include <EGL/egl.h>
#include <EGL/eglext.h>

namespace testsupport {

class HostContext {
public:
    HostContext();  // throws std::runtime_error when EGL refuses
    ~HostContext(); // releases the context from this thread and destroys it
    HostContext(const HostContext&) = delete;
    HostContext& operator=(const HostContext&) = delete;

    // This context (display, surfaces and context) is what the calling thread has current.
    bool isCurrent() const;
    // GL_MAX_TEXTURE_SIZE of the implementation; makes this context current.
    int maxTextureSize();

private:
    EGLDisplay display_ = EGL_NO_DISPLAY;
    EGLSurface surface_ = EGL_NO_SURFACE;
    EGLContext context_ = EGL_NO_CONTEXT;
};

} // namespace testsupport
