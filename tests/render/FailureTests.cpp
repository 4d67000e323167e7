// Every way a frame can fail, through the simulator: the result code, the
// host's own context current again, every record checked in, every suite and
// handle released, no pixel of the output written, and the host's flags and
// message left alone unless the failure is shown to the user.
#include "tests/render/RenderTestSupport.h"
#include "WindowSystemSpy.h"
#include "host/HostSuites.h"
#include "tests/support/HostContext.h"

#include <cstring>
#include <functional>
#include <optional>

namespace rendertest {
namespace {

constexpr PF_Err kHostCode = 0x2A17;       // an arbitrary code of the host's
constexpr PF_Err kBad = PF_Err_BAD_CALLBACK_PARAM;
constexpr PF_Err kMissing = A_Err_MISSING_SUITE;
constexpr int32_t kHostFlags = 0x02000005; // out_flags as the host hands them over
constexpr char kHostMessage[] = "left by the host";
constexpr PF_PixelFormat ARGB32 = PF_PixelFormat_ARGB32, ARGB64 = PF_PixelFormat_ARGB64,
                         ARGB128 = PF_PixelFormat_ARGB128;

using Arrange = std::function<void(hostsim::FrameRequest&)>;

struct FailureCase {
    const char* name;
    PF_PixelFormat format;
    Arrange arrange; // makes the frame fail
    PF_Err expected;
    bool showsMessage = false;
};

hostsim::World SmallWorld(PF_PixelFormat format, int32_t width = 13, int32_t height = 7,
                          std::optional<int32_t> rowbytes = std::nullopt)
{
    hostsim::World world(hostsim::WorldShape{format, width, height, rowbytes});
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) world.set(x, y, {double(x % 5 + 1), double(y + 1), 3.0, 4.0});
    }
    return world;
}

Arrange Input(PF_PixelFormat format, int32_t width, int32_t height, std::optional<int32_t> rowbytes = {})
{
    return [=](hostsim::FrameRequest& r) { r.input = SmallWorld(format, width, height, rowbytes); };
}

Arrange Output(PF_PixelFormat format, int32_t width, int32_t height, std::optional<int32_t> rowbytes = {})
{
    return [=](hostsim::FrameRequest& r) { r.outputShape = hostsim::WorldShape{format, width, height, rowbytes}; };
}

Arrange Lacking(const char* function)
{
    return [function](hostsim::FrameRequest& r) { r.faults.missingFunctions = {function}; };
}

const hostsim::SuiteKey kWorldSuite{kPFWorldSuite, kPFWorldSuiteVersion2};
const hostsim::SuiteKey kHandleSuite{kPFHandleSuite, kPFHandleSuiteVersion1};
const hostsim::SuiteKey kIterateSuite{kPFIterateFloatSuite, kPFIterateFloatSuiteVersion1};

const FailureCase kFailures[] = {
    {"InputCheckoutFails", ARGB32, [](auto& r) { r.faults.inputCheckoutError = kHostCode; }, kHostCode},
    {"OutputCheckoutFails", ARGB64, [](auto& r) { r.faults.outputCheckoutError = kHostCode; }, kHostCode},
    {"ParameterCheckoutFails", ARGB128,
     [](auto& r) { r.faults.failParamCheckoutIndex = 3, r.faults.paramCheckoutError = kHostCode; }, kHostCode},
    {"PixelFormatFails", ARGB32, [](auto& r) { r.faults.pixelFormatError = kHostCode; }, kHostCode},
    {"InvalidPixelFormat", ARGB32, [](auto& r) { r.faults.pixelFormat = PF_PixelFormat_INVALID; }, kBad},
    {"NoBasicSuite", ARGB64, [](auto& r) { r.faults.noBasicSuite = true; }, kBad},
    {"WorldSuiteRefused", ARGB32, [](auto& r) { r.faults.refusedSuites = {kWorldSuite}; }, kMissing, true},
    {"WorldSuiteWithoutTable", ARGB128, [](auto& r) { r.faults.nullSuites = {kWorldSuite}; }, kMissing, true},
    {"IterateSuiteRefused", ARGB128, [](auto& r) { r.faults.refusedSuites = {kIterateSuite}; }, kBad},
    {"IterateSuiteWithoutTable", ARGB128, [](auto& r) { r.faults.nullSuites = {kIterateSuite}; }, kBad},
    {"HandleSuiteRefused", ARGB32, [](auto& r) { r.faults.refusedSuites = {kHandleSuite}; }, kBad},
    {"HandleSuiteWithoutTable", ARGB64, [](auto& r) { r.faults.nullSuites = {kHandleSuite}; }, kBad},
    {"NoUtils", ARGB32, Lacking("utils"), kBad},
    {"NoPixelData16", ARGB64, Lacking("utils.get_pixel_data16"), kBad},
    {"NoCheckoutParam", ARGB128, Lacking("inter.checkout_param"), kBad},
    {"NoCheckinParam", ARGB32, Lacking("inter.checkin_param"), kBad},
    {"NoAbort", ARGB64, Lacking("inter.abort"), kBad},
    {"IterateFailsPartWay", ARGB128,
     [](auto& r) { r.faults.iterateError = kHostCode, r.faults.iterateRowsBeforeError = 3; }, kHostCode},
    {"NewHandleNull", ARGB64, [](auto& r) { r.faults.newHandleFails = true; }, PF_Err_OUT_OF_MEMORY},
    {"LockedHandleNull", ARGB128, [](auto& r) { r.faults.lockHandleFails = true; }, PF_Err_OUT_OF_MEMORY},
    {"PixelDataNull", ARGB32, [](auto& r) { r.faults.pixelDataNull = true; }, kBad},
    {"WiderThan16Bits", ARGB32, Input(ARGB32, 65536, 1), kBad},
    {"TallerThanTheTextureLimit", ARGB32,
     [](auto& r) { r.input = SmallWorld(ARGB32, 1, testsupport::HostContext().maxTextureSize() + 1); }, kBad},
    {"OutputWiderThanInput", ARGB64, Output(ARGB64, 14, 7), kBad},
    {"OutputTallerThanInput", ARGB128, Output(ARGB128, 13, 8), kBad},
    {"OutputNarrowerThanInput", ARGB128, Output(ARGB128, 12, 7), kBad},
    {"OutputShorterThanInput", ARGB32, Output(ARGB32, 13, 6), kBad},
    {"InputRowsTooShort", ARGB32, Input(ARGB32, 13, 7, 12 * 4), kBad},
    {"InputRowsOffPixelBoundary", ARGB64, Input(ARGB64, 13, 7, 13 * 8 + 2), kBad},
    {"OutputRowsOffPixelBoundary", ARGB128, Output(ARGB128, 13, 7, 13 * 16 + 4), kBad},
    {"NullInputWorld", ARGB32, [](auto& r) { r.faults.nullInputWorld = true; }, PF_Err_NONE},
    {"NullOutputWorld", ARGB64, [](auto& r) { r.faults.nullOutputWorld = true; }, PF_Err_NONE},
    {"ZeroWidthWorld", ARGB128, Input(ARGB128, 0, 7), PF_Err_NONE},
    {"ZeroHeightWorld", ARGB32, Input(ARGB32, 13, 0), PF_Err_NONE},
};

class FrameFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FrameFailure, EndsCleanlyWithItsCode)
{
    const FailureCase& failure = GetParam();
    hostsim::FrameRequest request(SmallWorld(failure.format), IrisplitValues(2, 3.0, 10.0, 80.0, 2.0));
    request.out.out_flags = kHostFlags;
    std::strcpy(request.out.return_msg, kHostMessage);
    failure.arrange(request);
    Effect();
    testsupport::HostContext hostContext;

    const auto result = Effect().render(request);
    EXPECT_EQ(result.result, failure.expected) << result.log.describe();
    EXPECT_TRUE(hostContext.isCurrent()) << "the host's context was not put back";
    EXPECT_TRUE(EverythingReturned(result));
    EXPECT_TRUE(result.output.samePixels(hostsim::World(result.output.shape()))) << "the output was written";
    EXPECT_TRUE(failure.expected == PF_Err_NONE || result.log.count("abort") == 0) << "abort asked after a failure";
    // Only the message shown to the user changes the flags, and keeps the host's.
    EXPECT_EQ(result.out.out_flags, kHostFlags | (failure.showsMessage ? PF_OutFlag_DISPLAY_ERROR_MESSAGE : 0));
    EXPECT_STREQ(result.out.return_msg,
                 failure.showsMessage ? "Not able to acquire the World Suite." : kHostMessage);
}

INSTANTIATE_TEST_SUITE_P(Frames, FrameFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

// A failed parameter checkout stops the later ones; a later check-in failure
// never hides the first error, and alone it is the result.
TEST(FrameFailure, FirstErrorStopsLaterCheckoutsAndStays)
{
    hostsim::FrameRequest request(SmallWorld(PF_PixelFormat_ARGB32));
    request.faults.failParamCheckoutIndex = 3;
    request.faults.paramCheckoutError = kHostCode;
    const auto result = Effect().render(request);
    EXPECT_EQ(result.result, kHostCode);
    EXPECT_EQ(result.log.count("checkout_param"), 4u) << "later parameters were read";
    EXPECT_EQ(result.log.count("checkin_param"), 6u);
    EXPECT_EQ(result.outputCheckouts, 1);

    request.faults = {};
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
                                  IrisplitValues(3, -4.0, 45.0, 120.0, 3.0));
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
    const hostsim::FrameRequest request(SmallWorld(PF_PixelFormat_ARGB32),
                                        IrisplitValues(1, 2.0, 0.0, 100.0, 0.0));
    Effect().render(request);
    spy::FailMakeCurrentOfContexts();
    const auto refused = Effect().render(request);
    spy::ClearFaults();
    EXPECT_EQ(refused.result, PF_Err_OUT_OF_MEMORY);
    EXPECT_TRUE(EverythingReturned(refused));
    EXPECT_TRUE(refused.output.samePixels(hostsim::World(refused.output.shape())));
    eglBindAPI(EGL_OPENGL_API);
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
    EXPECT_TRUE(MatchesModel(request, Effect().render(request)));
}

} // namespace
} // namespace rendertest
