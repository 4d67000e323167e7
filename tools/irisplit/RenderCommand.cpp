#include "RenderCommand.h"

#include "EffectControls.h"
#include "EffectHost.h"
#include "Errors.h"
#include "FrameSequence.h"
#include "ImageFile.h"
#include "Keyframes.h"
#include "ModuleLocation.h"
#include "Progress.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace irisplit {
namespace {

// A numeric option with the control it drives.
struct NumericSetting {
    const char* option;
    const char* control;
    const std::optional<std::string>& text;
    AnimatedValue value;
};

template <typename Parse>
auto ParseOption(const std::string& option, const std::string& text, Parse&& parse)
{
    try {
        return parse(text);
    } catch (const std::invalid_argument& e) {
        throw UsageError(option + ": " + e.what());
    }
}

PF_RationalScale ParseDownsample(const std::string& text)
{
    const size_t slash = text.find('/');
    const auto positive = [&](const std::string& part) {
        if (part.empty() || part.size() > 9 || part.find_first_not_of("0123456789") != std::string::npos ||
            std::stol(part) == 0) {
            throw std::invalid_argument("'" + text + "' is not a factor N/D of positive whole numbers");
        }
        return std::stoi(part);
    };
    const int num = positive(text.substr(0, slash));
    const int den = slash == std::string::npos ? 1 : positive(text.substr(slash + 1));
    return PF_RationalScale{num, uint32_t(den)};
}

std::optional<PF_PixelFormat> HostFormat(std::optional<int> depth)
{
    if (!depth) {
        return std::nullopt;
    }
    switch (*depth) {
    case 8:
        return PF_PixelFormat_ARGB32;
    case 16:
        return PF_PixelFormat_ARGB64;
    case 32:
        return PF_PixelFormat_ARGB128;
    default:
        throw UsageError("--depth must be 8, 16 or 32, not " + std::to_string(*depth));
    }
}

// Fails early on an output nobody could write, before any frame renders.
void CheckOutputWritable(const std::string& path)
{
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    std::error_code error;
    if (!parent.empty() && !std::filesystem::is_directory(parent, error)) {
        throw FileError("cannot write '" + path + "': folder '" + parent.string() + "' does not exist");
    }
    if (!OIIO::ImageOutput::create(path)) {
        throw FileError("cannot write '" + path + "': no image format for its extension");
    }
}

} // namespace

void RunRender(const RenderOptions& options)
{
    const FilePattern input = ParseOption("input", options.input, FilePattern::Parse);
    const FilePattern output = ParseOption("output", options.output, FilePattern::Parse);
    if ((input.numbered() || output.numbered()) && !options.frames) {
        throw UsageError("numbered file names need --frames A-B");
    }
    const FrameRange frames = options.frames ? ParseOption("--frames", *options.frames, FrameRange::Parse)
                                             : FrameRange{};
    if (frames.count() > 1 && !output.numbered()) {
        throw UsageError("--frames " + *options.frames +
                         " renders several frames: OUT needs a frame number (%04d or ####)");
    }
    std::vector<NumericSetting> numeric = {{"--position", "Position", options.position, {}},
                                           {"--rotation", "Rotation", options.rotation, {}},
                                           {"--scale", "Scale", options.scale, {}},
                                           {"--blur", "Blur", options.blur, {}}};
    for (NumericSetting& setting : numeric) {
        if (setting.text) {
            setting.value = ParseOption(setting.option, *setting.text, AnimatedValue::Parse);
        }
    }
    const std::optional<PF_PixelFormat> depth = HostFormat(options.depth);
    const PF_RationalScale downsample = ParseOption("--downsample", options.downsample, ParseDownsample);
    if (options.threads > 64) {
        throw UsageError("--threads " + std::to_string(options.threads) + " is more than 64");
    }
    const unsigned threads = std::min<unsigned>(
        options.threads ? options.threads : std::max(1u, std::thread::hardware_concurrency()),
        unsigned(frames.count()));

    if (!input.numbered() && !std::filesystem::exists(options.input)) {
        throw FileError("cannot read '" + options.input + "': no such file");
    }
    CheckOutputWritable(output.at(frames.first));

    EffectHost effect(LocateModule(options.modulePath));
    effect.globalSetup();
    const EffectControls controls(effect.paramsSetup().added);
    for (NumericSetting& setting : numeric) {
        if (setting.text) {
            controls.checkRange(setting.option, setting.control, setting.value);
        } else {
            setting.value = AnimatedValue(controls.defaultValue(setting.control));
        }
    }
    const int channels = options.channels ? controls.channelsChoice(*options.channels)
                                          : controls.defaultChannels();

    // A still image is read once and serves every frame.
    std::optional<Image> still;
    if (!input.numbered()) {
        still = ReadImage(options.input, depth);
    }
    std::vector<std::optional<Image>> inFlight(size_t(frames.count())); // one slot per frame
    Progress progress(frames.count(), options.quiet);

    const auto make = [&](size_t index) {
        const int frame = frames.first + int(index);
        const Image& image = still ? *still : inFlight[index].emplace(ReadImage(input.at(frame), depth));
        hostsim::EffectValues values;
        values.channels = channels;
        values.position = numeric[0].value.at(frame);
        values.rotationDegrees = numeric[1].value.at(frame);
        values.scale = numeric[2].value.at(frame);
        values.blur = numeric[3].value.at(frame);
        hostsim::FrameRequest request(ToWorld(image), values);
        request.time.current_time = frame * request.time.time_step;
        request.downsample_x = request.downsample_y = downsample;
        request.preRenderFirst = true;
        return request;
    };
    const auto done = [&](size_t index, hostsim::FrameResult&& result) {
        const int frame = frames.first + int(index);
        const std::string where = "frame " + std::to_string(frame) + ": ";
        if (result.result != PF_Err_NONE) {
            throw EffectFailure(where + "smart (pre-)render", result.result, result.out.return_msg,
                                sizeof result.out.return_msg);
        }
        const Image& image = still ? *still : *inFlight[index];
        const std::string path = output.at(frame);
        WriteImage(path, FromWorld(image, result.output));
        inFlight[index].reset();
        progress.frameDone(frame, path);
    };
    effect.host().renderFrames(size_t(frames.count()), threads, make, done);
    effect.finish();
}

} // namespace irisplit
