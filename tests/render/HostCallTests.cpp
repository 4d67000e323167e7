// The host calls of a normal frame, in order, as the host sees them: integer
// frames read and write the worlds in place, float frames travel through the
// iteration; each suite is acquired once and handed back at the end. And those
// of global setdown.
#include "tests/render/RenderTestSupport.h"

#include <string>
#include <vector>

namespace rendertest {
namespace {

std::vector<std::string> ExpectedCalls(const hostsim::FrameTime& time, const std::vector<std::string>& transfer)
{
    std::vector<std::string> calls = {"AcquireSuite(PF World Suite,2)=0", "checkout_layer_pixels(0)=0",
                                      "checkout_output()=0"};
    for (int i = 0; i < 6; ++i) {
        calls.push_back("checkout_param(" + std::to_string(i) + "," + std::to_string(time.current_time) + "," +
                        std::to_string(time.time_step) + "," + std::to_string(time.time_scale) + ")=0");
    }
    calls.insert(calls.end(), {"checkout_layer_pixels(0)=0", "checkout_output()=0", "PF_GetPixelFormat(input)=0"});
    calls.insert(calls.end(), transfer.begin(), transfer.end());
    calls.push_back("abort()=0");
    for (int i = 0; i < 6; ++i) {
        calls.push_back("checkin_param(" + std::to_string(i) + ")=0");
    }
    calls.insert(calls.end(), {"checkin_layer_pixels(0)=0", "ReleaseSuite(PF World Suite,2)=0",
                               "ReleaseSuite(PF Handle Suite,2)=0"});
    return calls;
}

TEST(HostCalls, OfABlurredFrameAtEveryDepth)
{
    const struct {
        PF_PixelFormat format;
        hostsim::FrameTime time;
        std::vector<std::string> transfer;
    } cases[] = {
        {PF_PixelFormat_ARGB32, {48, 2, 24},
         {"get_pixel_data8(input)=0", "AcquireSuite(PF Handle Suite,2)=0", "host_new_handle(128)=0",
          "host_lock_handle()=0", "get_pixel_data8(output)=0", "host_unlock_handle()=0", "host_dispose_handle()=0"}},
        {PF_PixelFormat_ARGB64, {48, 2, 24},
         {"get_pixel_data16(input)=0", "AcquireSuite(PF Handle Suite,2)=0", "host_new_handle(256)=0",
          "host_lock_handle()=0", "get_pixel_data16(output)=0", "host_unlock_handle()=0", "host_dispose_handle()=0"}},
        {PF_PixelFormat_ARGB128, {0, 1, 30},
         {"AcquireSuite(PF iterateFloat Suite,1)=0", "iterate(0,4)=0", "AcquireSuite(PF Handle Suite,2)=0",
          "host_new_handle(512)=0", "host_lock_handle()=0", "iterate(0,4)=0", "host_unlock_handle()=0",
          "host_dispose_handle()=0"}},
    };
    for (const auto& c : cases) {
        std::mt19937 random(1);
        hostsim::FrameRequest request(NoiseWorld(c.format, 8, 4, 2, random),
                                      IrisplitValues(2, 3.0, 20.0, 90.0, 2.0));
        request.time = c.time;
        std::vector<std::string> expected = ExpectedCalls(c.time, c.transfer);
        if (c.format == PF_PixelFormat_ARGB128) {
            expected.push_back("ReleaseSuite(PF iterateFloat Suite,1)=0");
        }
        EXPECT_EQ(Effect().render(request).log.texts(), expected) << FormatName(c.format);
    }
}

// Setdown disposes of the host's sequence data only when there is some.
TEST(HostCalls, OfGlobalSetdown)
{
    hostsim::CommandSetup with;
    with.withSequenceData = true;
    const hostsim::CommandResult disposed = Effect().globalSetdown(with);
    EXPECT_EQ(disposed.log.texts(), std::vector<std::string>{"utils.host_dispose_handle(sequence_data)=0"});
    EXPECT_EQ(disposed.out.sequence_data, nullptr);
    hostsim::CommandSetup without;
    void* block = nullptr;
    without.out.sequence_data = &block;
    const hostsim::CommandResult kept = Effect().globalSetdown(without);
    EXPECT_TRUE(kept.log.texts().empty());
    EXPECT_EQ(kept.out.sequence_data, &block);
    ASSERT_EQ(Effect().globalSetup().result, PF_Err_NONE);
}

} // namespace
} // namespace rendertest
