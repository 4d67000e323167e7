// The stage clock of the benchmark build of the module (compiled into that
// build only): per-thread frame records and the export that hands them out.
#include "KaleonStageTiming.h"

#include <glbinding/gl/gl.h>

#include <chrono>

namespace {

struct ThreadRecord {
    IrxStageTimes inProgress{};
    IrxStageTimes finished{};
    bool hasFinished = false;
};

thread_local ThreadRecord record;

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

namespace StageTiming {

FrameClock::FrameClock() : start_(Now()) { record.inProgress = IrxStageTimes{}; }

FrameClock::~FrameClock()
{
    record.inProgress.seconds[IrxStageTotal] = Now() - start_;
    record.finished = record.inProgress;
    record.hasFinished = true;
}

FencedStage::FencedStage(IrxStage stage) : stage_(stage)
{
    gl::glFinish();
    start_ = Now();
}

FencedStage::~FencedStage()
{
    gl::glFinish();
    record.inProgress.seconds[stage_] += Now() - start_;
}

} // namespace StageTiming

extern "C" IRX_EXPORT int IrxTakeStageTimes(IrxStageTimes* times)
{
    if (!record.hasFinished) {
        return 0;
    }
    *times = record.finished;
    record.hasFinished = false;
    return 1;
}
