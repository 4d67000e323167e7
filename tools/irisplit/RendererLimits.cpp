#include "RendererLimits.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <algorithm>

namespace irisplit {
namespace {

constexpr int kEffectLargestSide = 65535;
constexpr unsigned kMaxTextureSize = 0x0D33; // GL_MAX_TEXTURE_SIZE
using GetIntegerv = void (*)(unsigned, int*);

// A context of irisplit's own on the display the effect uses (Mesa's
// surfaceless platform), current for its lifetime. The display itself is
// never terminated: it is one handle for the whole process, the effect's too.
class QueryContext {
public:
    QueryContext()
    {
        display_ = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
        EGLConfig config = nullptr;
        EGLint count = 0;
        if (display_ == EGL_NO_DISPLAY || !eglInitialize(display_, nullptr, nullptr) ||
            !eglBindAPI(EGL_OPENGL_API) || !eglChooseConfig(display_, attributes, &config, 1, &count) ||
            count < 1) {
            return;
        }
        context_ = eglCreateContext(display_, config, EGL_NO_CONTEXT, nullptr);
        current_ = context_ != EGL_NO_CONTEXT &&
                   eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_) == EGL_TRUE;
    }
    ~QueryContext()
    {
        if (current_) {
            eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        }
        if (context_ != EGL_NO_CONTEXT) {
            eglDestroyContext(display_, context_);
        }
    }
    QueryContext(const QueryContext&) = delete;
    QueryContext& operator=(const QueryContext&) = delete;

    bool current() const { return current_; }

private:
    EGLDisplay display_ = EGL_NO_DISPLAY;
    EGLContext context_ = EGL_NO_CONTEXT;
    bool current_ = false;
};

} // namespace

int LargestFrameSide()
{
    const QueryContext context;
    const auto getIntegerv = reinterpret_cast<GetIntegerv>(eglGetProcAddress("glGetIntegerv"));
    int largestTexture = 0;
    if (context.current() && getIntegerv) {
        getIntegerv(kMaxTextureSize, &largestTexture);
    }
    return largestTexture > 0 ? std::min(largestTexture, kEffectLargestSide) : kEffectLargestSide;
}

} // namespace irisplit
