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
    void operator()(size_t i, hostsim::FrameResult&& result)
    {
        const auto matches = MatchesModel(MixedFrame(i), result);
        const auto returned = EverythingReturned(result);
        if (!matches || !returned) add("frame " + std::to_string(i) + ": " + matches.message() + " " + returned.message());
    }
    void add(const std::string& what)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        failures_.push_back(what);
    }
    ::testing::AssertionResult none() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (failures_.empty()) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << failures_.size() << " failures; first: " << failures_.front();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> failures_;
};

::testing::AssertionResult NothingOfTheEffectLeft(const hostsim::Host& host)
{
    if (spy::LiveContexts() != 0 || spy::LiveSurfaces() != 0 || spy::LiveGLNames() != 0)
        return ::testing::AssertionFailure() << spy::LiveContexts() << " context(s), " << spy::LiveSurfaces()
                                             << " drawable(s) and " << spy::LiveGLNames() << " OpenGL name(s) left";
    if (!host.leftovers().clean()) return ::testing::AssertionFailure() << host.leftovers().describe();
    return ::testing::AssertionSuccess();
}

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
                pre.result != PF_Err_NONE || !pre.leftovers.clean() || pre.checkouts.size() != 1)
                checks.add("parameter setup or pre-render " + std::to_string(i) + " failed");
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
    // Held in its first PF_GetPixelFormat call, inside the render block, after
    // the frame has its context and targets.
    std::promise<void> held, released;
    const std::shared_future<void> release = released.get_future().share();
    std::once_flag once;
    hostsim::FrameRequest request = MixedFrame(5);
    request.values[testsupport::kBlur] = 3.0;
    request.onHostCall = [&](const std::string& call) {
        if (call == "PF_GetPixelFormat") std::call_once(once, [&] { held.set_value(), release.wait(); });
    };
    hostsim::FrameResult result;
    std::thread renderThread([&] { result = host.render(request); });

    // Not held in time: the test fails instead of hanging.
    const bool reached = held.get_future().wait_for(std::chrono::seconds(120)) == std::future_status::ready;
    if (reached) {
        EXPECT_EQ(host.globalSetdown().result, PF_Err_NONE);
        EXPECT_EQ(spy::LiveContexts(), 1) << "only the held frame's context may outlive setdown";
    }
    released.set_value();
    renderThread.join();
    ASSERT_TRUE(reached) << "the frame never reached PF_GetPixelFormat: " << result.log.describe();
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

// Unload and reload with renders in between, set down first but for the last
// time: contexts still alive at unload are let go without a call into a
// driver that may be gone, and the next load starts over and renders.
TEST_F(Stress, UnloadAndReloadWithRendersInBetween)
{
    const int cycles = FullCounts() ? 50 : 10;
    FrameChecks checks;
    for (int cycle = 0; cycle <= cycles; ++cycle) {
        if (cycle < cycles) {
            ASSERT_EQ(host.globalSetdown().result, PF_Err_NONE) << "cycle " << cycle;
            EXPECT_TRUE(NothingOfTheEffectLeft(host)) << "cycle " << cycle;
        }
        host.unload();
        host.load();
        ASSERT_EQ(host.globalSetup().result, PF_Err_NONE) << "cycle " << cycle;
        ASSERT_EQ(host.paramsSetup().result, PF_Err_NONE) << "cycle " << cycle;
        host.renderFrames(4, 2, MixedFrame, std::ref(checks));
    }
    EXPECT_TRUE(checks.none());
}

} // namespace
} // namespace rendertest
