// Renders rows of the benchmark through host simulator sessions of the
// benchmark build of the module, as the tool and the plug-ins run it (their
// render threads, no checking), and collects the module's stage times.
#pragma once

#include "KaleonStageTiming.h"
#include "Statistics.h"
#include "hostsim/Session.h"

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
    // Loads the module and sets it up once for its context information;
    // throws when it lacks the stage clock's export.
    explicit FrameBench(const std::string& modulePath);

    // The context information block the module printed at its first global setup.
    const std::string& contextInfo() const { return contextInfo_; }

    // Warm-up frames per render thread before a group's timed frames.
    static constexpr unsigned kWarmUpFrames = 3;

    // The rows of one size, depth and thread count, one per blur radius, in a
    // single session with that many render threads: global setup, about
    // kWarmUpFrames warm-up frames on each render thread (the first ones, one
    // a thread as making a context takes long, make the contexts and programs
    // at the smallest radius that runs the blur passes; the rest use the
    // smallest radius), then `timedFrames` timed frames per radius shared by
    // the same threads, then global setdown. Throws std::runtime_error when a
    // frame fails.
    std::vector<RowResult> runGroup(const hostsim::World& input, const std::vector<double>& blurs,
                                    unsigned threads, unsigned timedFrames);

private:
    using StageSamples = std::array<std::vector<double>, IrxStageCount>;
    // `count` frames on the session's render threads, each frame's stage
    // times added to `samples`.
    void renderFrames(hostsim::Session& session, const hostsim::World& input, double blur, size_t count,
                      StageSamples& samples);

    struct ModuleCloser {
        void operator()(void* handle) const;
    };

    const std::string modulePath_;
    // A reference of its own to the module, so that the stage clock stays
    // mapped from one session to the next.
    std::unique_ptr<void, ModuleCloser> moduleHandle_;
    IrxTakeStageTimesFunc takeStageTimes_ = nullptr;
    std::string contextInfo_;
};

// "rebuild", "upload", "passes", "read-back" or "total".
const char* StageName(int stage);

// A world of the size and format with a smooth, deterministic picture in it.
hostsim::World MakeInputWorld(int32_t width, int32_t height, PF_PixelFormat format);
