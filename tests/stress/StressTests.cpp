// The loaded module under load: many render threads while another thread
// keeps setting up parameters and pre-rendering, a global setdown while a
// frame is still rendering, and repeated unload and reload with renders in
// between. Every frame is held against the CPU model; afterwards nothing of
// the effect's is left: no suite, handle or checkout, no context or drawable.
#include "WindowSystemSpy.h"
#include "tests/render/RenderTestSupport.h"
#include "tests/stress/FrameHold.h"

#include <atomic>
#include <cstdlib>
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
    const char* light = std::getenv("IRX_STRESS_LIGHT");
    return light == nullptr || std::string(light) != "1";
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

// Collects what went wrong on any thread, for one report at the end.
class Failures {
public:
    void add(const std::string& what)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        list_.push_back(what);
    }
    ::testing::AssertionResult none() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (list_.empty()) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << list_.size() << " failures; first: " << list_.front();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> list_;
};

void CheckFrame(size_t i, const hostsim::FrameRequest& request, const hostsim::FrameResult& result,
                Failures& failures)
{
    const auto matches = MatchesModel(request, result);
    const auto returned = EverythingReturned(result);
    if (!matches || !returned) {
        failures.add("frame " + std::to_string(i) + ": " + matches.message() + " " + returned.message());
    }
}

::testing::AssertionResult NothingOfTheEffectLeft(const hostsim::Host& host)
{
    if (spy::LiveContexts() != 0 || spy::LiveSurfaces() != 0) {
        return ::testing::AssertionFailure() << spy::LiveContexts() << " context(s) and "
                                             << spy::LiveSurfaces() << " drawable(s) left";
    }
    if (!host.leftovers().clean()) {
        return ::testing::AssertionFailure() << host.leftovers().describe();
    }
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
    Failures failures;

    std::atomic<bool> rendering{true};
    int sideCommands = 0;
    std::thread side([&] {
        for (size_t i = 0; rendering || sideCommands == 0; ++i, ++sideCommands) {
            const auto params = host.paramsSetup();
            auto request = hostsim::PreRenderRequest::WholeFrame(int32_t(8 + i % 50), int32_t(5 + i % 30));
            const auto pre = host.preRender(request);
            if (params.result != PF_Err_NONE || params.added.size() != 5 || !params.leftovers.clean() ||
                pre.result != PF_Err_NONE || !pre.leftovers.clean() || pre.checkouts.size() != 1) {
                failures.add("parameter setup or pre-render " + std::to_string(i) + " failed");
            }
        }
    });
    host.renderFrames(frames, 8, MixedFrame, [&](size_t i, hostsim::FrameResult&& result) {
        CheckFrame(i, MixedFrame(i), result, failures);
    });
    rendering = false;
    side.join();

    EXPECT_TRUE(failures.none());
    EXPECT_GT(sideCommands, 0);
    EXPECT_EQ(host.globalSetdown().result, PF_Err_NONE);
    EXPECT_TRUE(NothingOfTheEffectLeft(host));
}

// The frame's own reference keeps its render data, context included, alive
// through the setdown; the frame finishes right and the data goes with it.
TEST_F(Stress, GlobalSetdownWhileAFrameIsRendering)
{
    // Held inside the render block, after the frame has its context and targets.
    stresstest::FrameHold hold("PF_GetPixelFormat");
    hostsim::FrameRequest request = MixedFrame(5);
    request.values.blur = 3.0;
    request.onHostCall = hold.hook();
    hostsim::FrameResult result;
    std::thread renderThread([&] { result = host.render(request); });

    const bool held = hold.waitUntilHeld(std::chrono::seconds(120));
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
    Failures failures;
    host.renderFrames(12, 3, MixedFrame, [&](size_t i, hostsim::FrameResult&& again) {
        CheckFrame(i, MixedFrame(i), again, failures);
    });
    EXPECT_TRUE(failures.none());
    EXPECT_EQ(host.globalSetdown().result, PF_Err_NONE);
    EXPECT_TRUE(NothingOfTheEffectLeft(host));
}

TEST_F(Stress, UnloadAndReloadWithRendersInBetween)
{
    const int cycles = FullCounts() ? 50 : 10;
    Failures failures;
    ASSERT_EQ(host.globalSetdown().result, PF_Err_NONE);
    for (int cycle = 0; cycle < cycles; ++cycle) {
        host.unload();
        host.load();
        ASSERT_EQ(host.globalSetup().result, PF_Err_NONE) << "cycle " << cycle;
        ASSERT_EQ(host.paramsSetup().result, PF_Err_NONE) << "cycle " << cycle;
        const size_t first = size_t(cycle) * 4;
        host.renderFrames(4, 2, [&](size_t i) { return MixedFrame(first + i); },
                          [&](size_t i, hostsim::FrameResult&& result) {
                              CheckFrame(first + i, MixedFrame(first + i), result, failures);
                          });
        EXPECT_EQ(host.globalSetdown().result, PF_Err_NONE) << "cycle " << cycle;
        EXPECT_TRUE(NothingOfTheEffectLeft(host)) << "cycle " << cycle;
    }
    EXPECT_TRUE(failures.none());
}

} // namespace
} // namespace rendertest
