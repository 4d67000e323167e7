#include "HostGLContext.h"

#include <stdexcept>

namespace {

constexpr char kClassName[] = "IrisplitTestHostWindow";

// One class for all instances; registering it again is harmless.
void RegisterHostWindowClass()
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kClassName;
    if (RegisterClassExA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw std::runtime_error("cannot register the host window class");
    }
}

} // namespace

HostGLContext::HostGLContext()
{
    RegisterHostWindowClass();
    window_ = CreateWindowExA(0, kClassName, "host", 0, 0, 0, 16, 16, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    deviceContext_ = window_ ? GetDC(window_) : nullptr;
    PIXELFORMATDESCRIPTOR descriptor{};
    descriptor.nSize = sizeof(descriptor);
    descriptor.nVersion = 1;
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    descriptor.cColorBits = 32;
    const int format = deviceContext_ ? ChoosePixelFormat(deviceContext_, &descriptor) : 0;
    if (format != 0 && SetPixelFormat(deviceContext_, format, &descriptor)) {
        renderContext_ = wglCreateContext(deviceContext_);
    }
    if (renderContext_ == nullptr || !wglMakeCurrent(deviceContext_, renderContext_)) {
        release();
        throw std::runtime_error("cannot create the host's OpenGL context");
    }
}

HostGLContext::~HostGLContext()
{
    release();
}

void HostGLContext::release() noexcept
{
    if (renderContext_ != nullptr) {
        if (wglGetCurrentContext() == renderContext_) {
            wglMakeCurrent(nullptr, nullptr);
        }
        wglDeleteContext(renderContext_);
    }
    if (deviceContext_ != nullptr) {
        ReleaseDC(window_, deviceContext_);
    }
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

bool HostGLContext::isCurrent() const
{
    return wglGetCurrentContext() == renderContext_ && wglGetCurrentDC() == deviceContext_;
}
