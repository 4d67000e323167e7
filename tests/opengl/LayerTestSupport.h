// Helpers for the tests that drive the OpenGL layer and the module-wide state
// directly, in this process.
#pragma once

#include "tests/support/HostContext.h"
#include "Kaleon.h"
#include "KaleonGlobal.h"
#include "WindowSystemSpy.h"
#include "opengl/Layer.h"
#include "opengl/Binding.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace layertest {

// The records of one global setup or setdown call.
struct Command {
    SPBasicSuite basicSuite{};
    PF_UtilCallbacks utils{};
    PF_InData in{};
    PF_OutData out{};

    Command()
    {
        in.pica_basicP = &basicSuite;
        in.utils = &utils;
    }
};

// GlobalSetup or GlobalSetdown with records of their own.
inline PF_Err RunGlobal(PF_Err (*command)(PF_InData*, PF_OutData*))
{
    Command records;
    return command(&records.in, &records.out);
}

// What a render thread does before its first frame: its holder and context.
inline std::shared_ptr<irxgl::EffectRenderData> SetUpRenderThread()
{
    auto renderData = AcquireThreadRenderData();
    irxgl::InitContext(*renderData, CommonDataForRenderThreads().get());
    renderData->initialized = true;
    return renderData;
}

inline void OnNewThread(const std::function<void()>& work)
{
    std::thread(work).join();
}

// Every test starts from no module-wide state and must leave no context,
// drawable or glbinding handle behind after a global setdown.
class LayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(RunGlobal(GlobalSetdown), PF_Err_NONE);
        contextsBefore_ = spy::LiveContexts();
        surfacesBefore_ = spy::LiveSurfaces();
    }
    void TearDown() override
    {
        spy::ClearFaults();
        EXPECT_EQ(RunGlobal(GlobalSetdown), PF_Err_NONE);
        EXPECT_EQ(spy::LiveContexts(), contextsBefore_) << "a context outlived setdown";
        EXPECT_EQ(spy::LiveSurfaces(), surfacesBefore_) << "a drawable outlived setdown";
        EXPECT_EQ(irxgl::LentBindingHandleCount(), 0);
    }

    // Global setup with its context block kept out of the test's output.
    void QuietGlobalSetup()
    {
        testing::internal::CaptureStdout();
        const PF_Err result = RunGlobal(GlobalSetup);
        testing::internal::GetCapturedStdout();
        ASSERT_EQ(result, PF_Err_NONE);
    }

    int contextsBefore_ = 0;
    int surfacesBefore_ = 0;
};

} // namespace layertest
