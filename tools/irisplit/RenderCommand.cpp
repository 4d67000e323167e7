#include "RenderCommand.h"

#include "DiagnosticsRouting.h"
#include "EffectControls.h"
#include "Errors.h"
#include "FrameSequence.h"
#include "ImageFile.h"
#include "Keyframes.h"
#include "Pipeline.h"
#include "Progress.h"
#include "RendererLimits.h"

#include "hostsim/ModuleLookup.h"
#include "hostsim/Session.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <thread>

namespace irisplit {
namespace {

// A numeric option with the control it drives.
struct NumericSetting {
    const char* option;
    const char* control;
    std::optional<std::string> text;
    AnimatedValue value;
    int32_t index = 0; // of the control, once checked against it
};

// The command line, parsed and checked.
struct RenderPlan {
    FilePattern input;
    FilePattern output;
    FrameList frames;
    std::vector<NumericSetting> numeric;
    int channels = 1;
    int32_t channelsIndex = 0;
    std::optional<PF_PixelFormat> depth;
    PF_RationalScale downsample{1, 1};
    unsigned threads = 1;
    unsigned writers = 1; // frames encoded and written at once
    int pngCompression = 4;
    bool replace = true;
    bool quiet = false;
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

// Checks every value against the controls (irisplit's own knowledge before
// the module is loaded, the effect's declarations after) and fills in the
// defaults of the options not given.
void ApplyControls(const EffectControls& controls, const RenderOptions& options, RenderPlan& plan)
{
    for (NumericSetting& setting : plan.numeric) {
        if (setting.text) {
            controls.checkRange(setting.option, setting.control, setting.value);
        } else {
            setting.value = AnimatedValue(controls.defaultValue(setting.control));
        }
        setting.index = controls.index(setting.control);
    }
    plan.channels = options.channels ? controls.channelsChoice(*options.channels) : controls.defaultChannels();
    plan.channelsIndex = controls.index("Channels");
}

// The outputs that exist now, each in the frame list. Where the frame
// number is in the file name, the folder is listed once instead of each
// frame's name looked up, so that a long frame list costs no more than the
// folder.
void ForEachExistingOutput(const RenderPlan& plan, const std::function<void(const std::string&)>& found)
{
    if (plan.output.numbered() && plan.output.numberedInFileName()) {
        const std::string folder = plan.output.folder();
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, error)) {
            const std::string path = folder + entry.path().filename().string();
            const std::optional<int> frame = plan.output.frameOf(path);
            if (frame && plan.frames.contains(*frame)) {
                found(path);
            }
        }
        return;
    }
    for (size_t index = 0; index < plan.frames.count(); ++index) {
        const std::string path = plan.output.at(plan.frames.at(index));
        std::error_code error;
        if (std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found) {
            found(path);
        }
    }
}

// Fails early on outputs that could not be written, or must not be.
void CheckOutputs(const RenderPlan& plan)
{
    CheckWritable(plan.output.at(plan.frames.at(0)));
    if (!plan.replace) {
        ForEachExistingOutput(plan, [](const std::string& path) {
            throw FileError("cannot write '" + path + "': it exists, and --no-clobber keeps it");
        });
    }
}

bool IsFile(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// Without --frames, a name with '#' or '@' that names an existing file is
// that file (icon@2x.png), and OUT is then taken as written too.
void ParseNames(const RenderOptions& options, RenderPlan& plan)
{
    plan.input = ParseOption("input", options.input, FilePattern::Parse);
    plan.output = ParseOption("output", options.output, FilePattern::Parse);
    if (options.frames) {
        return;
    }
    if (plan.input.numbered() && IsFile(options.input)) {
        plan.input = FilePattern::Literal(options.input);
        plan.output = FilePattern::Literal(options.output);
    }
    if (plan.output.numbered() && IsFile(options.output)) {
        plan.output = FilePattern::Literal(options.output);
    }
}

RenderPlan PlanRender(const RenderOptions& options)
{
    RenderPlan plan;
    ParseNames(options, plan);
    plan.numeric = {{"--position", "Position", options.position, {}},
                    {"--rotation", "Rotation", options.rotation, {}},
                    {"--scale", "Scale", options.scale, {}},
                    {"--blur", "Blur", options.blur, {}}};
    if ((plan.input.numbered() || plan.output.numbered()) && !options.frames) {
        throw UsageError("numbered file names need --frames");
    }
    if (options.frames) {
        plan.frames = ParseOption("--frames", *options.frames, FrameList::Parse);
    }
    if (plan.frames.count() > 1 && !plan.output.numbered()) {
        throw UsageError("--frames " + *options.frames +
                         " renders several frames: OUT needs a frame number (%04d, # or @)");
    }
    for (NumericSetting& setting : plan.numeric) {
        if (setting.text) {
            setting.value = ParseOption(setting.option, *setting.text, AnimatedValue::Parse);
        }
    }
    ApplyControls(EffectControls::Known(), options, plan);
    plan.depth = HostFormat(options.depth);
    plan.downsample = ParseOption("--downsample", options.downsample, ParseDownsample);
    if (options.threads > kMostRenderThreads) {
        throw UsageError("--threads " + std::to_string(options.threads) + " is more than the effect's " +
                         std::to_string(kMostRenderThreads) + " render contexts");
    }
    const unsigned cores = std::min(std::max(1u, std::thread::hardware_concurrency()), kMostRenderThreads);
    plan.threads = unsigned(std::min<size_t>(options.threads ? options.threads : cores, plan.frames.count()));
    // Encoding a frame can cost more than rendering it: every core may encode.
    plan.writers = std::max(1u, std::thread::hardware_concurrency());
    if (options.pngCompression < 0 || options.pngCompression > 9) {
        throw UsageError("--png-compression must be 0 to 9, not " + std::to_string(options.pngCompression));
    }
    plan.pngCompression = options.pngCompression;
    plan.replace = !options.noClobber;
    plan.quiet = options.quiet;
    CheckOutputs(plan);
    return plan;
}

// The frames a render holds at once: one read ahead while every render
// thread has one, and those the writers encode with the one queued for them.
FramesInFlight InFlight(const RenderPlan& plan)
{
    const size_t count = plan.frames.count();
    return FramesInFlight{count > plan.threads ? 1u : 0u, plan.threads,
                          unsigned(std::min<size_t>(count, plan.writers + 1))};
}

// A frame that the output's format cannot hold, refused before it is rendered.
void CheckOutputHolds(const RenderPlan& plan, int frame, const Image& image)
{
    CheckFrameFits(plan.output.at(frame), image.imageSpec.width, image.imageSpec.height);
}

hostsim::ControlValues ValuesAt(const RenderPlan& plan, int frame)
{
    hostsim::ControlValues values{{plan.channelsIndex, plan.channels}};
    for (const NumericSetting& setting : plan.numeric) {
        values[setting.index] = setting.value.at(frame);
    }
    return values;
}

// Says once, for the first file it happens to, what a narrower --depth does.
class DepthLossWarning {
public:
    DepthLossWarning(std::optional<PF_PixelFormat> depth, int bits) : depth_(depth), bits_(bits) {}
    void check(const std::string& path, const Image& image)
    {
        const std::string loss = depth_ ? DepthLoss(image.imageSpec, *depth_) : "";
        if (!loss.empty() && !warned_.exchange(true)) {
            std::fprintf(stderr, "irisplit: warning: --depth %d %s in '%s' (and in any file like it)\n", bits_,
                         loss.c_str(), path.c_str());
        }
    }

private:
    const std::optional<PF_PixelFormat> depth_;
    const int bits_;
    std::atomic<bool> warned_{false};
};

// Renders every frame: read ahead on one thread, rendered on the session's
// render threads, encoded and written behind on one thread per core.
// Few frames wait at either end, so that memory holds little more than the
// frames being rendered and encoded.
void RenderFrames(hostsim::Session& session, const RenderPlan& plan, const std::shared_ptr<const Image>& still,
                  DepthLossWarning& warning, int largestSide)
{
    const size_t count = plan.frames.count();
    hostsim::WorldPool& worlds = session.worlds();
    Progress progress(int(std::min<size_t>(count, INT32_MAX)), plan.quiet);
    ReadAhead reader(count, 1, [&](size_t index) {
        if (still) {
            return InputFrame{still, ToWorld(*still, worlds)};
        }
        const std::string path = plan.input.at(plan.frames.at(index));
        auto image = std::make_shared<Image>(ReadImage(path, plan.depth, largestSide, InFlight(plan)));
        CheckOutputHolds(plan, plan.frames.at(index), *image);
        warning.check(path, *image);
        hostsim::World world = ToWorld(*image, worlds);
        ReleaseSamplesHeldByWorld(*image);
        return InputFrame{std::move(image), std::move(world)};
    });
    WriteBehind writer(1, plan.writers);
    std::mutex renderingMutex;
    std::map<size_t, std::shared_ptr<const Image>> rendering; // what the frames on the render threads came from

    const auto stopReadingOnFailure = [&](auto&& work) {
        try {
            return work();
        } catch (...) {
            reader.stop(std::current_exception());
            throw;
        }
    };
    const auto make = [&](size_t index) {
        return stopReadingOnFailure([&] {
            InputFrame input = reader.take(index);
            const int frame = plan.frames.at(index);
            hostsim::FrameRequest request(std::move(input.world), ValuesAt(plan, frame));
            request.time.current_time = frame * request.time.time_step;
            request.downsample_x = request.downsample_y = plan.downsample;
            request.preRenderFirst = true;
            request.worlds = &worlds;
            std::lock_guard<std::mutex> lock(renderingMutex);
            rendering.emplace(index, std::move(input.image));
            return request;
        });
    };
    const auto done = [&](size_t index, hostsim::FrameResult&& result) {
        stopReadingOnFailure([&] {
            const int frame = plan.frames.at(index);
            std::shared_ptr<const Image> image;
            {
                std::lock_guard<std::mutex> lock(renderingMutex);
                image = std::move(rendering.at(index));
                rendering.erase(index);
            }
            if (result.result != PF_Err_NONE) {
                const std::string where = "frame " + std::to_string(frame) + " (" +
                                          std::to_string(image->imageSpec.width) + "x" +
                                          std::to_string(image->imageSpec.height) + "): ";
                const EffectError failure = EffectFailure(where + "smart (pre-)render", result.result,
                                                          result.out.return_msg, sizeof result.out.return_msg);
                if (result.result == PF_Err_OUT_OF_MEMORY) {
                    throw OutOfMemory(std::string(failure.what()) + " (the effect's code for out of memory)");
                }
                throw failure;
            }
            writer.post([&, frame, image = std::move(image), output = std::move(result.output)]() mutable {
                const std::string path = plan.output.at(frame);
                Image written = FromWorld(*image, output);
                // Only the PNG writer reads it; the others neither use nor store it.
                written.imageSpec.attribute("png:compressionLevel", plan.pngCompression);
                WriteImage(path, std::move(written), plan.replace);
                worlds.give(std::move(output));
                progress.frameDone(frame, path);
            });
        });
    };
    try {
        session.renderFrames(count, make, done);
    } catch (...) {
        // Frames already rendered are still written; the first failure is the one reported.
        reader.stop(std::current_exception());
        try {
            writer.finish();
        } catch (...) {
        }
        throw;
    }
    writer.finish();
}

} // namespace

void RunRender(const RenderOptions& options)
{
    RenderPlan plan = PlanRender(options);
    const int largestSide = LargestFrameSide();
    DepthLossWarning warning(plan.depth, options.depth.value_or(0));
    std::shared_ptr<const Image> still; // read once, it serves every frame
    if (!plan.input.numbered()) {
        still = std::make_shared<const Image>(ReadImage(options.input, plan.depth, largestSide, InFlight(plan)));
        CheckOutputHolds(plan, plan.frames.at(0), *still); // every frame's name has the same extension
        warning.check(options.input, *still);
    }

    DiagnosticsRouting routing(options.quiet);
    hostsim::SessionOptions sessionOptions;
    sessionOptions.renderThreads = plan.threads;
    hostsim::Session session(hostsim::ModuleForTool(options.modulePath), sessionOptions);
    session.setUp();
    ApplyControls(EffectControls(session.controls()), options, plan);
    RenderFrames(session, plan, still, warning, largestSide);
    session.setDown();
}

} // namespace irisplit
