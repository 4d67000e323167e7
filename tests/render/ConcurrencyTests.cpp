// Render threads of the host's own, all at once, then global setdown.
#include "WindowSystemSpy.h"
#include "tests/render/RenderTestSupport.h"

#include <mutex>
#include <string>

namespace rendertest {
namespace {

constexpr PF_PixelFormat kFormats[] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64,
                                       PF_PixelFormat_ARGB128};

TEST(RenderThreads, FourThreadsRenderAtOnceThenSetdownReleasesEverything)
{
    hostsim::Host& host = Effect();
    ASSERT_GT(spy::LiveContexts(), 0) << "the module's contexts do not pass the counting spy";

    std::mutex failuresMutex;
    std::vector<std::string> failures;
    const auto make = [](size_t i) {
        std::mt19937 random(static_cast<unsigned>(i));
        std::uniform_int_distribution<int32_t> width(4, 24);
        std::uniform_int_distribution<int32_t> height(3, 17);
        return RandomFrame(NoiseWorld(kFormats[i % 3], width(random), height(random), int32_t(i % 2), random),
                           random);
    };
    host.renderFrames(200, 4, make, [&](size_t i, hostsim::FrameResult&& result) {
        const auto request = make(i);
        const auto matches = MatchesModel(request, result);
        const auto returned = EverythingReturned(result);
        if (!matches || !returned) {
            std::lock_guard<std::mutex> lock(failuresMutex);
            failures.push_back("frame " + std::to_string(i) + ": " + matches.message() + " " +
                               returned.message());
        }
    });
    EXPECT_TRUE(failures.empty()) << failures.size() << " frames wrong; first: " << failures.front();
    // The common context and one per render thread at least.
    EXPECT_GE(spy::LiveContexts(), 5);

    const auto setdown = host.globalSetdown();
    EXPECT_EQ(setdown.result, PF_Err_NONE);
    EXPECT_EQ(spy::LiveContexts(), 0) << "a render thread's or the common context outlived setdown";
    EXPECT_EQ(spy::LiveSurfaces(), 0);
    EXPECT_TRUE(host.leftovers().clean()) << host.leftovers().describe();

    // The effect sets up again and renders on the same host.
    ASSERT_EQ(host.globalSetup().result, PF_Err_NONE);
    const auto request = make(1);
    EXPECT_TRUE(MatchesModel(request, host.render(request)));
}

} // namespace
} // namespace rendertest
