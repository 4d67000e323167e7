// An OpenGL context of the test's own, standing in for one the host has
// current when it calls the effect: hidden window, pixel format, legacy
// context, made current on the constructing thread.
#pragma once

#include <windows.h>

class HostGLContext {
public:
    HostGLContext(); // throws std::runtime_error
    ~HostGLContext();
    HostGLContext(const HostGLContext&) = delete;
    HostGLContext& operator=(const HostGLContext&) = delete;

    HDC deviceContext() const { return deviceContext_; }
    HGLRC renderContext() const { return renderContext_; }
    // This context and its device context are current on the calling thread.
    bool isCurrent() const;

private:
    void release() noexcept;

    HWND window_ = nullptr;
    HDC deviceContext_ = nullptr;
    HGLRC renderContext_ = nullptr;
};
