// Renders rows of the benchmark through the host simulator and the loaded
// benchmark build of the module, and collects the module's stage times.
#pragma once

#include "KaleonStageTiming.h"
#include "Statistics.h"
#include "hostsim/HostSim.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

struct RowResult {
    int32_t width = 0;
    int32_t height = 0;
    PF_PixelFormat format = PF_PixelFormat_ARGB32;
    double blur = 0;
    unsigned threads = 1;
    unsigned timedFrames = 0;
    std::array<Summary, IrxStageCount> stages; // seconds, by IrxStage
};

class FrameBench {
public:
    // Loads the module; throws when it lacks the stage clock's export.
    explicit FrameBench(const std::string& modulePath);

    // The context information block the module printed at its first global setup.
    const std::string& contextInfo() const { return contextInfo_; }

    // Warm-up frames per render thread before a group's timed frames.
    static constexpr unsigned kWarmUpFrames = 3;

    // The rows of one size, depth and thread count, one per blur radius, in a
    // single session: global setup, kWarmUpFrames warm-up frames on each render
    // thread (its context and programs are made on the first, at the smallest
    // radius that runs the blur passes; the rest use the smallest radius), then
    // `timedFrames` timed frames per radius on the same threads, then global
    // setdown. Throws std::runtime_error when a frame fails.
    std::vector<RowResult> runGroup(const hostsim::World& input, const std::vector<double>& blurs,
                                    unsigned threads, unsigned timedFrames);

private:
    // Renders one frame on the calling thread and returns its stage times.
    IrxStageTimes renderFrame(const hostsim::World& input, double blur);

    struct ModuleCloser {
        void operator()(void* handle) const;
    };

    hostsim::Host host_;
    std::unique_ptr<void, ModuleCloser> moduleHandle_; // a second reference to the loaded module
    IrxTakeStageTimesFunc takeStageTimes_ = nullptr;
    std::string contextInfo_;
};

// "rebuild", "upload", "passes", "read-back" or "total".
const char* StageName(int stage);

// A world of the size and format with a smooth, deterministic picture in it.
hostsim::World MakeInputWorld(int32_t width, int32_t height, PF_PixelFormat format);
