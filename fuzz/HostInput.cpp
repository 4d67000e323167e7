#include "fuzz/HostInput.h"

#include "host/HostSuites.h"
#include "tests/support/IrisplitValues.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace fuzz {
namespace {

using hostsim::SuiteKey;
using hostsim::WorldShape;

constexpr size_t kMaxSteps = 4;
constexpr PF_PixelFormat kFormats[] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64,
                                       PF_PixelFormat_ARGB128};

int32_t Int32(ByteReader& in)
{
    return in.oneOf<int32_t>({0, 1, -1, 2, 3, 7, INT32_MAX, INT32_MIN, in.read<int32_t>()});
}

PF_Err ErrorCode(ByteReader& in)
{
    return in.oneOf<PF_Err>({PF_Err_OUT_OF_MEMORY, A_Err_MISSING_SUITE, PF_Err_BAD_CALLBACK_PARAM, 1, -1,
                             INT32_MIN, in.read<int32_t>() | 1});
}

// Ordinary slider values mostly, and every kind of float a broken host may send.
double Float(ByteReader& in)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    switch (in.below(10)) {
    case 0: return std::numeric_limits<double>::quiet_NaN();
    case 1: return inf;
    case 2: return -inf;
    case 3: return -0.0;
    case 4: return std::numeric_limits<double>::denorm_min();
    case 5: return in.flag() ? 1e300 : -1e300;
    case 6: return static_cast<double>(in.read<int32_t>());
    case 7: return in.read<double>();
    default: return static_cast<double>(in.read<int16_t>()) / 16.0;
    }
}

PF_RationalScale Downsample(ByteReader& in)
{
    if (in.below(4) != 0) {
        return {1, in.flag() ? 1u : 2u};
    }
    return {Int32(in), static_cast<uint32_t>(Int32(in))};
}

PF_PixelFormat Format(ByteReader& in) { return kFormats[in.below(3)]; }

void Size(ByteReader& in, int32_t& width, int32_t& height)
{
    constexpr int32_t kWide[] = {4096, 16383, 16384, 16385, 65535, 65536, 70000};
    switch (in.below(8)) {
    case 0: width = in.flag() ? 0 : int32_t(in.below(9)); height = width ? 0 : int32_t(in.below(9)); break;
    case 1: width = height = 1; break;
    case 2: width = 1 + 2 * int32_t(in.below(16)); height = 1 + 2 * int32_t(in.below(16)); break;
    case 3: width = int32_t(in.read<uint16_t>() % 1025); height = int32_t(in.read<uint16_t>() % 1025); break;
    case 4: width = kWide[in.below(7)]; height = 1 + int32_t(in.below(3)); break;
    case 5: height = kWide[in.below(7)]; width = 1 + int32_t(in.below(3)); break;
    default: width = 1 + int32_t(in.below(64)); height = 1 + int32_t(in.below(64)); break;
    }
}

// Exact, padded, too small, not a multiple of the pixel size, or zero.
std::optional<int32_t> RowBytes(ByteReader& in, PF_PixelFormat format, int32_t width)
{
    const int64_t pixel = int64_t(hostsim::PixelSize(format));
    const int64_t tight = int64_t(width) * pixel;
    int64_t rowbytes = tight;
    switch (in.below(8)) {
    case 0: rowbytes = tight + pixel * (1 + in.below(8)); break;
    case 1: rowbytes = tight + 1 + in.below(uint32_t(pixel - 1)); break;
    case 2: rowbytes = tight - 1 - in.below(uint32_t(std::min<int64_t>(tight, 256))); break;
    case 3: rowbytes = 0; break;
    case 4: rowbytes = tight + in.read<uint16_t>() % 4096; break;
    default: return std::nullopt;
    }
    return int32_t(std::max<int64_t>(rowbytes, 0));
}

// Shrinks the height until the world fits the memory and pixel caps.
void Cap(WorldShape& shape)
{
    const int64_t pixel = int64_t(hostsim::PixelSize(shape.format));
    const int64_t rowSpan = std::max<int64_t>(shape.rowbytes.value_or(0), int64_t(shape.width) * pixel);
    int64_t height = shape.height;
    if (rowSpan > 0) height = std::min(height, kMaxWorldBytes / rowSpan);
    if (shape.width > 0) height = std::min(height, kMaxWorldPixels / shape.width);
    shape.height = int32_t(std::max<int64_t>(height, shape.width > 0 && shape.height > 0 ? 1 : 0));
}

WorldShape Shape(ByteReader& in, PF_PixelFormat format)
{
    WorldShape shape;
    shape.format = format;
    Size(in, shape.width, shape.height);
    shape.rowbytes = RowBytes(in, format, shape.width);
    Cap(shape);
    return shape;
}

// The input's shape mostly; sometimes smaller, larger, or of its own.
std::optional<WorldShape> OutputShape(ByteReader& in, const WorldShape& input)
{
    switch (in.below(8)) {
    case 0: {
        WorldShape smaller = input;
        smaller.width = std::max(0, input.width - int32_t(in.below(4)));
        smaller.height = std::max(0, input.height - int32_t(in.below(4)));
        smaller.rowbytes = std::nullopt;
        return smaller;
    }
    case 1: {
        WorldShape larger = input;
        larger.width += int32_t(in.below(3));
        larger.height += int32_t(in.below(3));
        larger.rowbytes = std::nullopt;
        Cap(larger);
        return larger;
    }
    case 2: return Shape(in, Format(in));
    default: return std::nullopt;
    }
}

void AddSuites(ByteReader& in, std::vector<SuiteKey>& suites)
{
    const SuiteKey known[] = {{kPFWorldSuite, kPFWorldSuiteVersion2},
                              {kPFHandleSuite, kPFHandleSuiteVersion1},
                              {kPFIterateFloatSuite, kPFIterateFloatSuiteVersion1},
                              {kPFANSISuite, kPFANSISuiteVersion1}};
    const uint8_t mask = in.byte();
    for (int i = 0; i < 4; ++i) {
        if (mask & (1 << i)) suites.push_back(known[i]);
    }
}

// A well-behaved host three times out of four; otherwise any mix of faults.
hostsim::Faults Faults(ByteReader& in)
{
    hostsim::Faults f;
    if (in.below(4) != 1) return f;
    const uint32_t on = in.read<uint32_t>();
    const auto bit = [on](int i) { return (on >> i) & 1; };
    f.noBasicSuite = bit(0) && bit(1) && bit(2);
    if (bit(3)) AddSuites(in, f.refusedSuites);
    if (bit(4)) AddSuites(in, f.nullSuites);
    f.newHandleFails = bit(5);
    f.lockHandleFails = bit(6);
    if (bit(7)) f.pixelFormatError = ErrorCode(in);
    if (bit(8)) f.pixelFormat = in.flag() ? Format(in) : PF_PixelFormat(Int32(in));
    if (bit(9)) {
        f.iterateError = ErrorCode(in);
        f.iterateRowsBeforeError = int32_t(in.below(8));
    }
    if (bit(10)) f.pixelDataError = ErrorCode(in);
    f.pixelDataNull = bit(11);
    if (bit(12)) {
        f.refuseAddParamCall = 1 + int32_t(in.below(6));
        f.addParamError = ErrorCode(in);
    }
    if (bit(13)) f.checkoutLayerError = ErrorCode(in);
    if (bit(14)) f.inputCheckoutError = ErrorCode(in);
    if (bit(15)) f.outputCheckoutError = ErrorCode(in);
    f.nullInputWorld = bit(16) && bit(17);
    f.nullOutputWorld = bit(18) && bit(19);
    if (bit(20)) {
        f.failParamCheckoutIndex = int32_t(in.below(6));
        f.paramCheckoutError = ErrorCode(in);
    }
    if (bit(21)) f.paramCheckinError = ErrorCode(in);
    if (bit(22)) f.layerCheckinError = ErrorCode(in);
    if (bit(23)) f.abortCode = ErrorCode(in);
    if (bit(24)) {
        static const char* const kFunctions[] = {
            "utils", "utils.ansi.sprintf", "utils.ansi.strcpy", "utils.get_pixel_data8",
            "utils.get_pixel_data16", "utils.host_dispose_handle", "inter.add_param",
            "inter.checkout_param", "inter.checkin_param", "inter.abort", "ANSI.sprintf"};
        const uint32_t missing = in.read<uint32_t>();
        for (size_t i = 0; i < std::size(kFunctions); ++i) {
            if ((missing >> i) & 1) f.missingFunctions.push_back(kFunctions[i]);
        }
    }
    return f;
}

void Setup(ByteReader& in, hostsim::CommandSetup& setup)
{
    setup.time = {in.flag() ? Int32(in) : 0, in.flag() ? Int32(in) : 1,
                  in.flag() ? static_cast<uint32_t>(Int32(in)) : 30u};
    setup.downsample_x = Downsample(in);
    setup.downsample_y = Downsample(in);
    setup.withSequenceData = in.below(4) == 1;
    setup.iterateThreads = 1 + int(in.flag());
    setup.faults = Faults(in);
}

// Keeps a huge blur to frames small enough for it to finish in bounded time.
void BoundBlurWork(hostsim::FrameRequest& frame)
{
    const PF_RationalScale d = frame.downsample_x;
    const double factor = d.den == 0 ? 1.0 : double(float(d.num) / float(d.den));
    const double radius = frame.values[testsupport::kBlur] * factor;
    if (!std::isfinite(radius) || radius <= 0.0) return;
    const double steps = std::min(radius * 0.33 + 10.0, 4096.0);
    const double pixels = double(frame.input.width()) * double(frame.input.height());
    if (pixels * steps > kMaxBlurWork) frame.values[testsupport::kBlur] = 0.0;
}

hostsim::FrameRequest Frame(ByteReader& in)
{
    hostsim::FrameRequest frame;
    Setup(in, frame);
    const WorldShape shape = Shape(in, Format(in));
    frame.input = hostsim::World(shape);
    for (int32_t y = 0; y < shape.height && y < 4; ++y) {
        for (int32_t x = 0; x < shape.width && x < 4; ++x) {
            frame.input.set(x, y, {Float(in), Float(in), Float(in), Float(in)});
        }
    }
    frame.outputShape = OutputShape(in, shape);
    using namespace testsupport;
    frame.values[kChannels] = in.flag() ? 1 + int32_t(in.below(3)) : Int32(in);
    frame.values[kPosition] = Float(in);
    frame.values[kRotation] = in.flag() ? Float(in) : double(in.read<int16_t>());
    frame.values[kScale] = in.flag() ? 100.0 : Float(in);
    frame.values[kBlur] = in.flag() ? 0.0 : Float(in);
    frame.preRenderFirst = in.flag();
    BoundBlurWork(frame);
    return frame;
}

hostsim::PreRenderRequest PreRender(ByteReader& in)
{
    int32_t width = 0;
    int32_t height = 0;
    Size(in, width, height);
    hostsim::PreRenderRequest request = hostsim::PreRenderRequest::WholeFrame(width, height);
    Setup(in, request);
    request.bitdepth = in.oneOf<int16_t>({8, 16, 32, 0, -1, in.read<int16_t>()});
    if (in.flag()) request.request.rect = {Int32(in), Int32(in), Int32(in), Int32(in)};
    if (in.flag()) request.presetResultRect = {Int32(in), Int32(in), Int32(in), Int32(in)};
    if (in.flag()) request.presetMaxResultRect = {Int32(in), Int32(in), Int32(in), Int32(in)};
    if (in.flag()) request.inputCheckout.result_rect = {Int32(in), Int32(in), Int32(in), Int32(in)};
    if (in.flag()) request.inputCheckout.max_result_rect = {Int32(in), Int32(in), Int32(in), Int32(in)};
    return request;
}

// The selectors with steps of their own (they need records a bare call lacks).
bool IsKnownSelector(PF_Cmd cmd)
{
    for (const PF_Cmd known : {PF_Cmd_ABOUT, PF_Cmd_GLOBAL_SETUP, PF_Cmd_GLOBAL_SETDOWN, PF_Cmd_PARAMS_SETUP,
                               PF_Cmd_SMART_PRE_RENDER, PF_Cmd_SMART_RENDER}) {
        if (cmd == known) return true;
    }
    return false;
}

// Mostly frames; global setup and setdown (new contexts and programs on the
// next frame) are rare.
StepKind PickKind(ByteReader& in)
{
    const uint32_t pick = in.below(64);
    if (pick < 36) return StepKind::Render;
    if (pick < 46) return StepKind::PreRender;
    if (pick < 50) return StepKind::About;
    if (pick < 55) return StepKind::ParamsSetup;
    if (pick < 58) return StepKind::OtherSelector;
    if (pick < 60) return StepKind::IncompleteExtra;
    if (pick < 62) return StepKind::GlobalSetup;
    return StepKind::GlobalSetdown;
}

} // namespace

std::vector<Step> DecodeSteps(ByteReader& reader)
{
    std::vector<Step> steps;
    while (!reader.empty() && steps.size() < kMaxSteps) {
        Step step;
        step.kind = PickKind(reader);
        if (step.kind == StepKind::OtherSelector) {
            step.selector = reader.oneOf<PF_Cmd>({2, 5, 6, 7, 22, 25, -1, PF_Cmd(reader.read<int32_t>())});
            if (IsKnownSelector(step.selector)) step.selector = 2;
        }
        if (step.kind == StepKind::IncompleteExtra) {
            step.selector = reader.flag() ? PF_Cmd_SMART_RENDER : PF_Cmd_SMART_PRE_RENDER;
            step.missing = reader.byte() & 7;
        }
        switch (step.kind) {
        case StepKind::Render: step.frame = Frame(reader); break;
        case StepKind::PreRender: step.preRender = PreRender(reader); break;
        default: Setup(reader, step.setup); break;
        }
        steps.push_back(std::move(step));
    }
    return steps;
}

} // namespace fuzz
