// The host calls of a normal frame, in order, as the host sees them.
#include "tests/render/RenderTestSupport.h"

#include <string>
#include <vector>

namespace rendertest {
namespace {

std::vector<std::string> Checkouts(const hostsim::FrameTime& time)
{
    std::vector<std::string> calls = {"AcquireSuite(PF World Suite,2)=0",
                                      "checkout_layer_pixels(0)=0", "checkout_output()=0"};
    for (int i = 0; i < 6; ++i) {
        calls.push_back("checkout_param(" + std::to_string(i) + "," +
                        std::to_string(time.current_time) + "," + std::to_string(time.time_step) +
                        "," + std::to_string(time.time_scale) + ")=0");
    }
    calls.insert(calls.end(), {"checkout_layer_pixels(0)=0", "checkout_output()=0",
                               "PF_GetPixelFormat(input)=0"});
    return calls;
}

std::vector<std::string> Checkins()
{
    std::vector<std::string> calls = {"abort()=0"};
    for (int i = 0; i < 6; ++i) {
        calls.push_back("checkin_param(" + std::to_string(i) + ")=0");
    }
    calls.insert(calls.end(), {"checkin_layer_pixels(0)=0", "ReleaseSuite(PF World Suite,2)=0",
                               "ReleaseSuite(PF Handle Suite,2)=0"});
    return calls;
}

hostsim::FrameRequest BlurredFrameAt(PF_PixelFormat format, hostsim::FrameTime time)
{
    std::mt19937 random(1);
    hostsim::FrameRequest request(NoiseWorld(format, 8, 4, 2, random), {2, 3.0, 20.0, 90.0, 2.0});
    request.time = time;
    return request;
}

TEST(HostCalls, IntegerFrameReadsAndWritesInPlace)
{
    const hostsim::FrameTime time{48, 2, 24};
    for (const auto& [format, pixelData, bytes] :
         {std::tuple{PF_PixelFormat_ARGB32, "get_pixel_data8", 8 * 4 * 4},
          std::tuple{PF_PixelFormat_ARGB64, "get_pixel_data16", 8 * 4 * 8}}) {
        std::vector<std::string> expected = Checkouts(time);
        expected.insert(expected.end(),
                        {std::string(pixelData) + "(input)=0", "AcquireSuite(PF Handle Suite,2)=0",
                         "host_new_handle(" + std::to_string(bytes) + ")=0", "host_lock_handle()=0",
                         std::string(pixelData) + "(output)=0", "host_unlock_handle()=0",
                         "host_dispose_handle()=0"});
        const auto checkins = Checkins();
        expected.insert(expected.end(), checkins.begin(), checkins.end());

        const auto result = Effect().render(BlurredFrameAt(format, time));
        EXPECT_EQ(result.log.texts(), expected) << FormatName(format);
    }
}

TEST(HostCalls, FloatFrameTravelsThroughTheIteration)
{
    const hostsim::FrameTime time{0, 1, 30};
    std::vector<std::string> expected = Checkouts(time);
    expected.insert(expected.end(),
                    {"AcquireSuite(PF iterateFloat Suite,1)=0", "iterate(0,4)=0",
                     "AcquireSuite(PF Handle Suite,2)=0", "host_new_handle(512)=0",
                     "host_lock_handle()=0", "iterate(0,4)=0", "host_unlock_handle()=0",
                     "host_dispose_handle()=0"});
    const auto checkins = Checkins();
    expected.insert(expected.end(), checkins.begin(), checkins.end());
    expected.push_back("ReleaseSuite(PF iterateFloat Suite,1)=0");

    const auto result = Effect().render(BlurredFrameAt(PF_PixelFormat_ARGB128, time));
    EXPECT_EQ(result.log.texts(), expected);
}

} // namespace
} // namespace rendertest
