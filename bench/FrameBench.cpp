#include "FrameBench.h"

#include "StdoutCapture.h"
#include "tests/support/IrisplitValues.h"

#include <dlfcn.h>

#include <algorithm>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

// The rendered frame: a red-blue split moved 8 pixels, blurred by `blur`.
hostsim::ControlValues BenchValues(double blur)
{
    return testsupport::IrisplitValues(1, 8.0, 0.0, 100.0, blur);
}

template <typename Pixel, typename Fill>
void FillWorld(hostsim::World& world, Fill fill)
{
    for (int32_t y = 0; y < world.height(); ++y) {
        Pixel* row = reinterpret_cast<Pixel*>(world.row(y));
        for (int32_t x = 0; x < world.width(); ++x) {
            row[x] = fill(x, y);
        }
    }
}

// The smallest radius that runs the blur passes, if any does.
std::optional<double> SmallestBlurWithPasses(const std::vector<double>& blurs)
{
    std::optional<double> smallest;
    for (double blur : blurs) {
        if (blur > 0 && (!smallest || blur < *smallest)) {
            smallest = blur;
        }
    }
    return smallest;
}

// Every frame runs its passes and read-back, and the stages lie inside the frame.
void CheckStageTimes(const IrxStageTimes& times)
{
    double stages = 0;
    for (int stage = 0; stage < IrxStageTotal; ++stage) {
        stages += times.seconds[stage];
    }
    if (times.seconds[IrxStagePasses] <= 0 || times.seconds[IrxStageReadBack] <= 0 ||
        stages > times.seconds[IrxStageTotal]) {
        throw std::runtime_error("the module's stage times do not add up");
    }
}

hostsim::SessionOptions BenchSession(unsigned threads)
{
    hostsim::SessionOptions options;
    options.renderThreads = threads;
    return options;
}

} // namespace

const char* StageName(int stage)
{
    static const char* const names[IrxStageCount] = {"rebuild", "upload", "passes", "read-back",
                                                     "total"};
    return names[stage];
}

hostsim::World MakeInputWorld(int32_t width, int32_t height, PF_PixelFormat format)
{
    hostsim::World world(hostsim::WorldShape{format, width, height, std::nullopt});
    // Ramps in x and y with a ripple, each channel in [0, 1].
    auto level = [width, height](int32_t x, int32_t y, int channel) {
        const double u = static_cast<double>(x) / width;
        const double v = static_cast<double>(y) / height;
        const double ripple = ((x / 16 + y / 16 + channel) % 4) / 12.0;
        return channel == 0 ? 1.0 : (u * (channel == 1) + v * (channel == 3) + ripple) / 1.25 + 0.1;
    };
    switch (format) {
    case PF_PixelFormat_ARGB32:
        FillWorld<PF_Pixel8>(world, [&](int32_t x, int32_t y) {
            auto c = [&](int channel) { return static_cast<uint8_t>(level(x, y, channel) * 255); };
            return PF_Pixel8{c(0), c(1), c(2), c(3)};
        });
        break;
    case PF_PixelFormat_ARGB64:
        FillWorld<PF_Pixel16>(world, [&](int32_t x, int32_t y) {
            auto c = [&](int channel) { return static_cast<uint16_t>(level(x, y, channel) * 32768); };
            return PF_Pixel16{c(0), c(1), c(2), c(3)};
        });
        break;
    default:
        FillWorld<PF_PixelFloat>(world, [&](int32_t x, int32_t y) {
            auto c = [&](int channel) { return static_cast<float>(level(x, y, channel)); };
            return PF_PixelFloat{c(0), c(1), c(2), c(3)};
        });
        break;
    }
    return world;
}

void FrameBench::ModuleCloser::operator()(void* handle) const { dlclose(handle); }

FrameBench::FrameBench(const std::string& modulePath) : modulePath_(modulePath)
{
    hostsim::Session session(modulePath_, BenchSession(1));
    moduleHandle_.reset(dlopen(modulePath_.c_str(), RTLD_NOW | RTLD_NOLOAD));
    if (moduleHandle_) {
        takeStageTimes_ = reinterpret_cast<IrxTakeStageTimesFunc>(
            dlsym(moduleHandle_.get(), kIrxTakeStageTimesName));
    }
    if (!takeStageTimes_) {
        throw std::runtime_error(modulePath_ + " has no stage clock: use the benchmark build");
    }
    const StdoutCapture capture;
    session.setUp();
    contextInfo_ = capture.text();
    session.setDown();
}

void FrameBench::renderFrames(hostsim::Session& session, const hostsim::World& input, double blur,
                              size_t count, StageSamples& samples)
{
    std::mutex samplesMutex;
    hostsim::WorldPool& worlds = session.worlds();
    const auto make = [&](size_t) {
        hostsim::FrameRequest request(worlds.take(input.shape()), BenchValues(blur));
        request.input = input;
        request.preRenderFirst = true;
        request.worlds = &worlds;
        return request;
    };
    // Runs on the frame's render thread, where the module keeps its times.
    const auto done = [&](size_t, hostsim::FrameResult&& result) {
        if (result.result != PF_Err_NONE) {
            throw std::runtime_error("a frame failed with " + std::to_string(result.result));
        }
        worlds.give(std::move(result.output));
        IrxStageTimes times{};
        if (!takeStageTimes_(&times)) {
            throw std::runtime_error("the module timed no frame");
        }
        CheckStageTimes(times);
        std::lock_guard<std::mutex> lock(samplesMutex);
        for (int stage = 0; stage < IrxStageCount; ++stage) {
            samples[stage].push_back(times.seconds[stage]);
        }
    };
    session.renderFrames(count, make, done);
}

std::vector<RowResult> FrameBench::runGroup(const hostsim::World& input,
                                            const std::vector<double>& blurs, unsigned threads,
                                            unsigned timedFrames)
{
    std::vector<RowResult> rows;
    hostsim::Session session(modulePath_, BenchSession(threads));
    session.setUp();
    // The first warm-up frames make each thread's context and run every
    // program; the allocator then takes a frame or two more to settle on
    // reusing the frame-sized blocks, so those are cheap frames.
    const double cheapest = *std::min_element(blurs.begin(), blurs.end());
    const double firstWarmUp = SmallestBlurWithPasses(blurs).value_or(cheapest);
    StageSamples warmUp;
    renderFrames(session, input, firstWarmUp, threads, warmUp);
    renderFrames(session, input, cheapest, size_t(threads) * (kWarmUpFrames - 1), warmUp);
    for (double blur : blurs) {
        StageSamples samples;
        renderFrames(session, input, blur, timedFrames, samples);

        RowResult row;
        row.width = input.width();
        row.height = input.height();
        row.format = input.format();
        row.blur = blur;
        row.threads = threads;
        row.timedFrames = static_cast<unsigned>(samples[IrxStageTotal].size());
        for (int stage = 0; stage < IrxStageCount; ++stage) {
            row.stages[stage] = Summarize(samples[stage]);
        }
        rows.push_back(row);
    }
    session.setDown();
    return rows;
}
