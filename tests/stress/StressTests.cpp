// The loaded module under load: many render threads while another thread
// keeps setting up parameters and pre-rendering, a global setdown while a
// frame is still rendering, and repeated unload and reload with renders in
// between, with and without a setdown first. Every frame is held against the
// CPU model; afterwards nothing of the effect's is left: no suite, handle or
// checkout, no context, drawable or OpenGL name.
#include "WindowSystemSpy.h"
#include "tests/render/RenderTestSupport.h"
#include "tests/support/HostContext.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace rendertest {
namespace {

constexpr PF_PixelFormat kFormats[] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64,
                                       PF_PixelFormat_ARGB128};

// The AddressSanitizer run asks for lighter counts (IRX_STRESS_LIGHT=1): it
// renders many times slower, and finds what it finds on fewer frames.
bool FullCounts()
{
    return std::string(std::getenv("IRX_STRESS_LIGHT") ? std::getenv("IRX_STRESS_LIGHT") : "") != "1";
}

hostsim::FrameRequest MixedFrame(size_t i)
{
    std::mt19937 random(static_cast<unsigned>(i) * 7919u + 17u);
    std::uniform_int_distribution<int32_t> width(1, 40);
    std::uniform_int_distribution<int32_t> height(1, 23);
    return RandomFrame(NoiseWorld(kFormats[i % 3], width(random), height(random),
                                  static_cast<int32_t>(i % 3), random),
                       random);
}

// Holds frames against the model and collects what went wrong on any thread,
// for one report at the end. Called with (i, result), it checks MixedFrame(i).
class FrameChecks {
public:
    void operator()(size_t i, hostsim::FrameResult&& result) { check(i, MixedFrame(i), result); }
    void check(size_t i, const hostsim::FrameRequest& request, const hostsim::FrameResult& result)
    {
        const auto matches = MatchesModel(request, result);
        const auto returned = EverythingReturned(result);
        if (!matches || !returned) {
            add("frame " + std::to_string(i) + ": " + matches.message() + " " + returned.message());
        }
    }
    void add(const std::string& what)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        failures_.push_back(what);
    }
    ::testing::AssertionResult none() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (failures_.empty()) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << failures_.size() << " failures; first: " << failures_.front();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> failures_;
};

::testing::AssertionResult NothingOfTheEffectLeft(const hostsim::Host& host)
{
    if (spy::LiveContexts() != 0 || spy::LiveSurfaces() != 0 || spy::LiveGLNames() != 0) {
        return ::testing::AssertionFailure() << spy::LiveContexts() << " context(s), " << spy::LiveSurfaces()
                                             << " drawable(s) and " << spy::LiveGLNames() << " OpenGL name(s) left";
    }
    if (!host.leftovers().clean()) {
        return ::testing::AssertionFailure() << host.leftovers().describe();
    }
    return ::testing::AssertionSuccess();
}

// Holds a frame inside its first call of one host function until released,
// so that the test can act while the effect is in the middle of rendering.
class FrameHold {
public:
    explicit FrameHold(std::string call) : call_(std::move(call)), release_(released_.get_future().share()) {}

    // For CommandSetup::onHostCall.
    std::function<void(const std::string&)> hook()
    {
        return [this](const std::string& call) {
            if (call == call_) {
                std::call_once(once_, [this] { held_.set_value(); release_.wait(); });
            }
        };
    }
    // False when no frame got there in time: the test fails instead of hanging.
    bool waitUntilHeld()
    {
        return held_.get_future().wait_for(std::chrono::seconds(120)) == std::future_status::ready;
    }
    void release() { released_.set_value(); }

private:
    const std::string call_;
    std::promise<void> held_, released_;
    std::shared_future<void> release_;
    std::once_flag once_;
};

// Each test starts from the set-up effect and ends with a global setdown; the
// next one finds it set up again.
class Stress : public ::testing::Test {
protected:
    void TearDown() override { ASSERT_EQ(host.globalSetup().result, PF_Err_NONE); }

    hostsim::Host& host = Effect();
};

TEST_F(Stress, EightRenderThreadsWhileParameterSetupAndPreRenderRepeat)
{
    const size_t frames = 8 * (FullCounts() ? 100 : 20);
    FrameChecks checks;
    // A second global setup, with no setdown between: the first one's context goes.
    ASSERT_EQ(host.globalSetup().result, PF_Err_NONE);

    std::atomic<bool> rendering{true};
    std::thread side([&] {
        for (size_t i = 0; i == 0 || rendering; ++i) {
            const auto params = host.paramsSetup();
            auto request = hostsim::PreRenderRequest::WholeFrame(int32_t(8 + i % 50), int32_t(5 + i % 30));
            const auto pre = host.preRender(request);
            if (params.result != PF_Err_NONE || params.added.size() != 5 || !params.leftovers.clean() ||
                pre.result != PF_Err_NONE || !pre.leftovers.clean() || pre.checkouts.size() != 1) {
                checks.add("parameter setup or pre-render " + std::to_string(i) + " failed");
            }
        }
    });
    host.renderFrames(frames, 8, MixedFrame, std::ref(checks));
    rendering = false;
    side.join();

    EXPECT_TRUE(checks.none());
    {
        testsupport::HostContext hostContext;
        EXPECT_EQ(host.globalSetdown().result, PF_Err_NONE);
        EXPECT_TRUE(hostContext.isCurrent()) << "setdown did not put the host's context back";
    }
    EXPECT_TRUE(NothingOfTheEffectLeft(host));
}

// The frame's own reference keeps its render data, context included, alive
// through the setdown; the frame finishes right and the data goes with it.
TEST_F(Stress, GlobalSetdownWhileAFrameIsRendering)
{
    // Held inside the render block, after the frame has its context and targets.
    FrameHold hold("PF_GetPixelFormat");
    hostsim::FrameRequest request = MixedFrame(5);
    request.values[testsupport::kBlur] = 3.0;
    request.onHostCall = hold.hook();
    hostsim::FrameResult result;
    std::thread renderThread([&] { result = host.render(request); });

    const bool held = hold.waitUntilHeld();
    if (held) {
        EXPECT_EQ(host.globalSetdown().result, PF_Err_NONE);
        EXPECT_EQ(spy::LiveContexts(), 1) << "only the held frame's context may outlive setdown";
    }
    hold.release();
    renderThread.join();
    ASSERT_TRUE(held) << "the frame never reached PF_GetPixelFormat: " << result.log.describe();
    request.onHostCall = nullptr;
    EXPECT_TRUE(MatchesModel(request, result));
    EXPECT_TRUE(EverythingReturned(result));
    EXPECT_TRUE(NothingOfTheEffectLeft(host));

    // Set up again, the effect renders on the same threads as before.
    ASSERT_EQ(host.globalSetup().result, PF_Err_NONE);
    FrameChecks checks;
    host.renderFrames(12, 3, MixedFrame, std::ref(checks));
    EXPECT_TRUE(checks.none());
    EXPECT_EQ(host.globalSetdown().result, PF_Err_NONE);
    EXPECT_TRUE(NothingOfTheEffectLeft(host));
}

TEST_F(Stress, UnloadAndReloadWithRendersInBetween)
{
    const int cycles = FullCounts() ? 50 : 10;
    FrameChecks checks;
    ASSERT_EQ(host.globalSetdown().result, PF_Err_NONE);
    for (int cycle = 0; cycle < cycles; ++cycle) {
        host.unload();
        host.load();
        ASSERT_EQ(host.globalSetup().result, PF_Err_NONE) << "cycle " << cycle;
        ASSERT_EQ(host.paramsSetup().result, PF_Err_NONE) << "cycle " << cycle;
        host.renderFrames(4, 2, MixedFrame, std::ref(checks));
        EXPECT_EQ(host.globalSetdown().result, PF_Err_NONE) << "cycle " << cycle;
        EXPECT_TRUE(NothingOfTheEffectLeft(host)) << "cycle " << cycle;
    }
    EXPECT_TRUE(checks.none());
}

// Contexts still alive at unload are let go without a call into a driver
// that may be gone; the next load starts over and renders.
TEST_F(Stress, UnloadWithoutSetdownThenLoadAgain)
{
    FrameChecks checks;
    host.renderFrames(6, 2, MixedFrame, std::ref(checks));
    host.unload();
    host.load();
    ASSERT_EQ(host.globalSetup().result, PF_Err_NONE);
    ASSERT_EQ(host.paramsSetup().result, PF_Err_NONE);
    host.renderFrames(6, 2, MixedFrame, std::ref(checks));
    EXPECT_TRUE(checks.none());
}

} // namespace
} // namespace rendertest
