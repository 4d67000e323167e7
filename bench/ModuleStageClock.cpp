// The stage clock of the benchmark build of the module (linked into that
// build only): installed as the module loads, it keeps per-thread frame
// records and hands them out through the build's extra export.
#include "Kaleon.h"
#include "KaleonStageTiming.h"

#include <glbinding/gl/gl.h>

#include <chrono>

namespace {

struct ThreadRecord {
    IrxStageTimes inProgress{};
    IrxStageTimes finished{};
    bool hasFinished = false;
    double frameStart = 0;
    double stageStart = 0; // stages do not nest
};

thread_local ThreadRecord record;

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void FrameStarted()
{
    record.inProgress = IrxStageTimes{};
    record.frameStart = Now();
}

void FrameFinished()
{
    record.inProgress.seconds[IrxStageTotal] = Now() - record.frameStart;
    record.finished = record.inProgress;
    record.hasFinished = true;
}

void StageStarted(IrxStage)
{
    gl::glFinish();
    record.stageStart = Now();
}

void StageFinished(IrxStage stage)
{
    gl::glFinish();
    record.inProgress.seconds[stage] += Now() - record.stageStart;
}

constexpr StageTiming::Clock kStageClock{FrameStarted, FrameFinished, StageStarted, StageFinished};

[[maybe_unused]] const bool clockInstalled = (StageTiming::installedClock = &kStageClock, true);

} // namespace

extern "C" IRX_EXPORT int IrxTakeStageTimes(IrxStageTimes* times)
{
    if (!record.hasFinished) {
        return 0;
    }
    *times = record.finished;
    record.hasFinished = false;
    return 1;
}
