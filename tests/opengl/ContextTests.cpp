// Render-thread contexts: sharing, failures part-way and their retries,
// make-current failures, and letting go at unload.
#include "LayerTestSupport.h"

#include <glbinding/gl33core/gl.h>

#include <vector>

using namespace irxgl;
using namespace gl33core;
using namespace layertest;

class RenderThreadContext : public LayerTest {
protected:
    void SetUp() override
    {
        LayerTest::SetUp();
        QuietGlobalSetup();
        testing::internal::CaptureStdout();
    }
    void TearDown() override
    {
        testing::internal::GetCapturedStdout();
        LayerTest::TearDown();
    }
};

TEST_F(RenderThreadContext, IsCoreAndSharesObjectsWithTheOthers)
{
    GLuint texture = 0;
    OnNewThread([&] {
        SetUpRenderThread();
        GLint profile = 0;
        glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
        EXPECT_EQ(profile, static_cast<GLint>(GL_CONTEXT_CORE_PROFILE_BIT));
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glFinish();
    });
    OnNewThread([&] {
        SetUpRenderThread();
        EXPECT_EQ(glIsTexture(texture), GL_TRUE);
    });
}

TEST_F(RenderThreadContext, RetryAfterAFailedSetUpReleasesTheEarlierAttempt)
{
    OnNewThread([&] {
        auto renderData = AcquireThreadRenderData();
        spy::FailContextCreation();
        EXPECT_THROW(SetUpRenderThread(), Fault);
        spy::ClearFaults();
        const std::string firstName = renderData->windowClassName;
        EXPECT_EQ(spy::LiveSurfaces(), surfacesBefore_ + 2);

        SetUpRenderThread();
        EXPECT_NE(renderData->windowClassName, firstName);
        EXPECT_EQ(spy::LiveSurfaces(), surfacesBefore_ + 2);
        EXPECT_EQ(spy::LiveContexts(), contextsBefore_ + 2);
    });
}

TEST_F(RenderThreadContext, RunningOutOfBindingHandlesFailsUntilOneIsFree)
{
    std::vector<int> taken;
    while (LentBindingHandleCount() < kBindingHandleCount) {
        taken.push_back(LendBindingHandle());
    }
    OnNewThread([&] {
        auto renderData = AcquireThreadRenderData();
        EXPECT_THROW(SetUpRenderThread(), Fault);
        EXPECT_FALSE(MakeCurrent(*renderData));

        ReturnBindingHandle(taken.back());
        SetUpRenderThread();
        EXPECT_TRUE(MakeCurrent(*renderData));
        EXPECT_EQ(spy::LiveContexts(), contextsBefore_ + 2);
    });
    for (int& handle : taken) {
        ReturnBindingHandle(handle);
    }
}

TEST_F(RenderThreadContext, FailedMakeCurrentIsReportedAndTheContextStillGoes)
{
    OnNewThread([] {
        auto renderData = SetUpRenderThread();
        InitResources(*renderData, 4, 4);
        spy::FailMakeCurrentOfContexts();
        EXPECT_FALSE(MakeCurrent(*renderData));
    });
    EXPECT_EQ(RunGlobal(GlobalSetdown), PF_Err_NONE);
    EXPECT_EQ(spy::LiveContexts(), contextsBefore_);
}

TEST_F(RenderThreadContext, DetachedHolderIsDestroyedWithoutAWindowSystemCall)
{
    RenderContextHandle context = nullptr;
    WindowHandle drawable = nullptr;
    EGLDisplay display = EGL_NO_DISPLAY;
    OnNewThread([&] {
        auto renderData = SetUpRenderThread();
        context = renderData->renderContext;
        drawable = renderData->window;
        display = eglGetCurrentDisplay();
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        DetachHolder(*renderData);
    });
    const int callsBefore = spy::MakeCurrentCalls();
    renderDataByThread.clear();
    EXPECT_EQ(spy::MakeCurrentCalls(), callsBefore);
    EXPECT_EQ(spy::LiveContexts(), contextsBefore_ + 2);

    eglDestroyContext(display, context);
    eglDestroySurface(display, drawable);
}
