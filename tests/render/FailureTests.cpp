// Every way a frame can fail, through the simulator: the result code, the
// host's own context current again, every record checked in, every suite and
// handle released, and no pixel of the output written.
#include "tests/render/RenderTestSupport.h"
#include "WindowSystemSpy.h"
#include "host/HostSuites.h"
#include "tests/support/HostContext.h"

#include <algorithm>
#include <functional>
#include <optional>

namespace rendertest {
namespace {

constexpr PF_Err kHostCode = 0x2A17; // an arbitrary code of the host's

struct FailureCase {
    const char* name;
    PF_PixelFormat format;
    std::function<void(hostsim::FrameRequest&)> arrange;
    PF_Err expected;
};

hostsim::World SmallWorld(PF_PixelFormat format, int32_t width = 13, int32_t height = 7,
                          std::optional<int32_t> rowbytes = std::nullopt)
{
    hostsim::World world(hostsim::WorldShape{format, width, height, rowbytes});
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            world.set(x, y, {double(x % 5 + 1), double(y + 1), 3.0, 4.0});
        }
    }
    return world;
}

bool OutputUntouched(const hostsim::FrameResult& result)
{
    const auto pixels = result.output.packedPixels();
    return std::all_of(pixels.begin(), pixels.end(), [](uint8_t byte) { return byte == 0; });
}

hostsim::WorldShape ShapeOf(PF_PixelFormat format, int32_t width, int32_t height,
                            std::optional<int32_t> rowbytes = std::nullopt)
{
    return hostsim::WorldShape{format, width, height, rowbytes};
}

const FailureCase kFailures[] = {
    {"InputCheckoutFails", PF_PixelFormat_ARGB32,
     [](auto& r) { r.faults.inputCheckoutError = kHostCode; }, kHostCode},
    {"OutputCheckoutFails", PF_PixelFormat_ARGB64,
     [](auto& r) { r.faults.outputCheckoutError = kHostCode; }, kHostCode},
    {"ParameterCheckoutFails", PF_PixelFormat_ARGB128,
     [](auto& r) { r.faults.failParamCheckoutIndex = 3; r.faults.paramCheckoutError = kHostCode; },
     kHostCode},
    {"PixelFormatFails", PF_PixelFormat_ARGB32,
     [](auto& r) { r.faults.pixelFormatError = kHostCode; }, kHostCode},
    {"InvalidPixelFormat", PF_PixelFormat_ARGB32,
     [](auto& r) { r.faults.pixelFormat = PF_PixelFormat_INVALID; }, PF_Err_BAD_CALLBACK_PARAM},
    {"IterateSuiteRefused", PF_PixelFormat_ARGB128,
     [](auto& r) { r.faults.refusedSuites = {{kPFIterateFloatSuite, 1}}; },
     PF_Err_BAD_CALLBACK_PARAM},
    {"HandleSuiteRefused", PF_PixelFormat_ARGB32,
     [](auto& r) { r.faults.refusedSuites = {{kPFHandleSuite, 2}}; }, PF_Err_BAD_CALLBACK_PARAM},
    {"IterateFailsPartWay", PF_PixelFormat_ARGB128,
     [](auto& r) { r.faults.iterateError = kHostCode; r.faults.iterateRowsBeforeError = 3; },
     kHostCode},
    {"NewHandleNull", PF_PixelFormat_ARGB64, [](auto& r) { r.faults.newHandleFails = true; },
     PF_Err_OUT_OF_MEMORY},
    {"LockedHandleNull", PF_PixelFormat_ARGB128, [](auto& r) { r.faults.lockHandleFails = true; },
     PF_Err_OUT_OF_MEMORY},
    {"PixelDataNull", PF_PixelFormat_ARGB32, [](auto& r) { r.faults.pixelDataNull = true; },
     PF_Err_BAD_CALLBACK_PARAM},
    {"WiderThan16Bits", PF_PixelFormat_ARGB32,
     [](auto& r) { r.input = SmallWorld(PF_PixelFormat_ARGB32, 65536, 1); },
     PF_Err_BAD_CALLBACK_PARAM},
    {"TallerThanTheTextureLimit", PF_PixelFormat_ARGB32,
     [](auto& r) {
         r.input = SmallWorld(PF_PixelFormat_ARGB32, 1, testsupport::HostContext().maxTextureSize() + 1);
     },
     PF_Err_BAD_CALLBACK_PARAM},
    {"OutputWiderThanInput", PF_PixelFormat_ARGB64,
     [](auto& r) { r.outputShape = ShapeOf(PF_PixelFormat_ARGB64, 14, 7); }, PF_Err_BAD_CALLBACK_PARAM},
    {"OutputTallerThanInput", PF_PixelFormat_ARGB128,
     [](auto& r) { r.outputShape = ShapeOf(PF_PixelFormat_ARGB128, 13, 8); }, PF_Err_BAD_CALLBACK_PARAM},
    {"InputRowsTooShort", PF_PixelFormat_ARGB32,
     [](auto& r) { r.input = SmallWorld(PF_PixelFormat_ARGB32, 13, 7, 12 * 4); },
     PF_Err_BAD_CALLBACK_PARAM},
    {"InputRowsOffPixelBoundary", PF_PixelFormat_ARGB64,
     [](auto& r) { r.input = SmallWorld(PF_PixelFormat_ARGB64, 13, 7, 13 * 8 + 2); },
     PF_Err_BAD_CALLBACK_PARAM},
    {"OutputRowsOffPixelBoundary", PF_PixelFormat_ARGB128,
     [](auto& r) { r.outputShape = ShapeOf(PF_PixelFormat_ARGB128, 13, 7, 13 * 16 + 4); },
     PF_Err_BAD_CALLBACK_PARAM},
    {"NullInputWorld", PF_PixelFormat_ARGB32, [](auto& r) { r.faults.nullInputWorld = true; },
     PF_Err_NONE},
    {"NullOutputWorld", PF_PixelFormat_ARGB64, [](auto& r) { r.faults.nullOutputWorld = true; },
     PF_Err_NONE},
    {"ZeroWidthWorld", PF_PixelFormat_ARGB128,
     [](auto& r) { r.input = SmallWorld(PF_PixelFormat_ARGB128, 0, 7); }, PF_Err_NONE},
    {"ZeroHeightWorld", PF_PixelFormat_ARGB32,
     [](auto& r) { r.input = SmallWorld(PF_PixelFormat_ARGB32, 13, 0); }, PF_Err_NONE},
};

class FrameFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FrameFailure, EndsCleanlyWithItsCode)
{
    const FailureCase& failure = GetParam();
    hostsim::FrameRequest request(SmallWorld(failure.format), {2, 3.0, 10.0, 80.0, 2.0});
    failure.arrange(request);
    Effect();
    testsupport::HostContext hostContext;

    const auto result = Effect().render(request);
    EXPECT_EQ(result.result, failure.expected) << result.log.describe();
    EXPECT_TRUE(hostContext.isCurrent()) << "the host's context was not put back";
    EXPECT_TRUE(EverythingReturned(result));
    EXPECT_TRUE(OutputUntouched(result)) << "the output was written";
    if (failure.expected != PF_Err_NONE) {
        EXPECT_EQ(result.log.count("abort"), 0u) << "abort asked after a failure";
    }
}

INSTANTIATE_TEST_SUITE_P(Frames, FrameFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FrameFailure, MissingWorldSuiteIsReportedToTheUser)
{
    hostsim::FrameRequest request(SmallWorld(PF_PixelFormat_ARGB32));
    request.faults.refusedSuites = {{kPFWorldSuite, kPFWorldSuiteVersion2}};
    Effect();
    testsupport::HostContext hostContext;

    const auto result = Effect().render(request);
    EXPECT_EQ(result.result, A_Err_MISSING_SUITE);
    EXPECT_TRUE(result.out.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE);
    EXPECT_STREQ(result.out.return_msg, "Not able to acquire AEFX Suite.");
    EXPECT_EQ(result.inputCheckouts, 0);
    EXPECT_EQ(result.log.count("checkout_param"), 0u);
    EXPECT_TRUE(hostContext.isCurrent());
    EXPECT_TRUE(EverythingReturned(result));
}

TEST(FrameFailure, ParameterCheckoutFailureStopsLaterCheckouts)
{
    hostsim::FrameRequest request(SmallWorld(PF_PixelFormat_ARGB32));
    request.faults.failParamCheckoutIndex = 3;
    request.faults.paramCheckoutError = kHostCode;
    const auto result = Effect().render(request);
    EXPECT_EQ(result.result, kHostCode);
    EXPECT_EQ(result.log.count("checkout_param"), 4u) << "later parameters were read";
    EXPECT_EQ(result.log.count("checkin_param"), 6u);
    EXPECT_EQ(result.outputCheckouts, 1);
}

// A later check-in failure never hides the first error; alone it is the result.
TEST(FrameFailure, CheckinFailureKeepsTheFirstError)
{
    hostsim::FrameRequest request(SmallWorld(PF_PixelFormat_ARGB32));
    request.faults.paramCheckinError = 77;
    EXPECT_EQ(Effect().render(request).result, 77);
    request.faults.pixelFormatError = kHostCode;
    EXPECT_EQ(Effect().render(request).result, kHostCode);
}

// The abort code comes after a finished render: the output holds the frame.
TEST(FrameFailure, AbortAfterAFullRenderKeepsTheFrame)
{
    std::mt19937 random(3);
    hostsim::FrameRequest request(NoiseWorld(PF_PixelFormat_ARGB64, 21, 9, 1, random),
                                  {3, -4.0, 45.0, 120.0, 3.0});
    request.faults.abortCode = kHostCode;
    Effect();
    testsupport::HostContext hostContext;

    const auto result = Effect().render(request);
    EXPECT_EQ(result.result, kHostCode);
    EXPECT_TRUE(hostContext.isCurrent());
    EXPECT_TRUE(EverythingReturned(result));
    hostsim::FrameResult rendered = result;
    rendered.result = PF_Err_NONE;
    EXPECT_TRUE(MatchesModel(request, rendered));
}

// A render context the window system will not make current fails the frame
// with 4; the thread renders again once it will.
TEST(FrameFailure, RefusedMakeCurrentIsOutOfMemory)
{
    const hostsim::FrameRequest request(SmallWorld(PF_PixelFormat_ARGB32), {1, 2.0, 0.0, 100.0, 0.0});
    Effect().render(request);
    spy::FailMakeCurrentOfContexts();
    const auto refused = Effect().render(request);
    spy::ClearFaults();
    EXPECT_EQ(refused.result, PF_Err_OUT_OF_MEMORY);
    EXPECT_TRUE(EverythingReturned(refused));
    EXPECT_TRUE(OutputUntouched(refused));
    EXPECT_TRUE(testsupport::NoContextCurrent());
    EXPECT_TRUE(MatchesModel(request, Effect().render(request)));
}

} // namespace
} // namespace rendertest
