// The WGL side of the OpenGL layer on a real Win32 window system: hidden
// windows and their classes, the root and render-thread contexts, sharing,
// and the caller's context put back.
#include "HostGLContext.h"
#include "opengl/Layer.h"
#include "opengl/Platform.h"

#include <windows.h>

#include <glbinding/gl33core/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

namespace {

using namespace irxgl;
using namespace gl33core;

const std::string kClassPrefix = "IrxGL_Win_Class";

bool ClassRegistered(const std::string& name)
{
    WNDCLASSEXA info{};
    info.cbSize = sizeof(info);
    return GetClassInfoExA(GetModuleHandleA(nullptr), name.c_str(), &info) != FALSE;
}

// Sets up a render-data holder on a thread of its own, as a render thread's
// first frame does, and runs `work` in its context; then the thread ends.
template <typename Work>
void OnRenderThread(EffectRenderData& holder, const EffectCommonData& common, Work work)
{
    std::thread thread([&] {
        {
            const SavedContext saved;
            InitContext(holder, &common);
            work();
        }
        EXPECT_EQ(wglGetCurrentContext(), nullptr) << "the thread had no context before";
    });
    thread.join();
}

TEST(WglContexts, RenderContextsAre33CoreAndShareThroughTheRoot)
{
    const HostGLContext host;
    auto common = std::make_unique<EffectCommonData>();
    {
        const SavedContext saved;
        InitContext(*common, nullptr);
        EXPECT_EQ(wglGetCurrentContext(), common->renderContext);
    }
    ASSERT_TRUE(host.isCurrent()) << "the caller's context was not put back";

    auto first = std::make_unique<EffectRenderData>();
    auto second = std::make_unique<EffectRenderData>();
    GLuint texture = 0;
    OnRenderThread(*first, *common, [&] {
        GLint major = 0, minor = 0, profile = 0;
        glGetIntegerv(GL_MAJOR_VERSION, &major);
        glGetIntegerv(GL_MINOR_VERSION, &minor);
        glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
        EXPECT_GE(major * 10 + minor, 33);
        EXPECT_NE(profile & GLint(GL_CONTEXT_CORE_PROFILE_BIT), 0);

        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glFinish();
    });
    OnRenderThread(*second, *common, [&] {
        EXPECT_EQ(glIsTexture(texture), GL_TRUE) << "the contexts do not share objects";
    });
    EXPECT_NE(first->renderContext, second->renderContext);
    const std::string classNames[] = {common->windowClassName, first->windowClassName,
                                      second->windowClassName};
    {
        // Global setdown's order, all on this thread: render-thread holders first.
        const SavedContext saved;
        first.reset();
        second.reset();
        common.reset();
    }
    EXPECT_TRUE(host.isCurrent()) << "the caller's context was not put back";
    for (const std::string& name : classNames) {
        EXPECT_EQ(name.rfind(kClassPrefix, 0), 0u) << name;
        EXPECT_FALSE(ClassRegistered(name)) << name << " outlived its window";
    }
}

// A class left registered by an earlier load of the module, whose counter
// started at 0 again.
class LeftoverClass {
public:
    explicit LeftoverClass(const std::string& name) : name_(name)
    {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = name_.c_str();
        registered_ = RegisterClassExA(&windowClass) != 0;
    }
    ~LeftoverClass() { UnregisterClassA(name_.c_str(), GetModuleHandleA(nullptr)); }
    LeftoverClass(const LeftoverClass&) = delete;
    LeftoverClass& operator=(const LeftoverClass&) = delete;
    bool registered() const { return registered_; }

private:
    std::string name_;
    bool registered_ = false;
};

TEST(WglContexts, HiddenWindowTakesTheNextFreeClassName)
{
    const std::string peeked = NextWindowClassName();
    const int next = std::stoi(peeked.substr(kClassPrefix.size())) + 1;
    const LeftoverClass leftover(kClassPrefix + std::to_string(next));
    ASSERT_TRUE(leftover.registered());

    EffectCommonData holder;
    holder.window = CreateHiddenWindow(holder.windowClassName);
    ASSERT_NE(holder.window, nullptr);
    EXPECT_EQ(holder.windowClassName, kClassPrefix + std::to_string(next + 1));

    const HWND window = static_cast<HWND>(holder.window);
    EXPECT_FALSE(IsWindowVisible(window));
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(window, &rect));
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0); // (its 8 x 8 grows to the minimum of a captioned window)
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "OpenGL-using FBOs in IRX");
}

} // namespace
