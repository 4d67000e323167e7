// Per-stage frame timing for the benchmark build of the module only.
//
// The shipped module compiles these macros to the bare call (or to nothing):
// no clock, no fence, no extra export. The benchmark build defines
// IRX_STAGE_TIMING; each timed stage is then fenced with glFinish on both
// sides so the GPU work it queued is charged to it, and the calling thread's
// last frame can be read through IrxTakeStageTimes.
#pragma once

#include "Kaleon.h"

// Stages of one smart render, in the order they run; Total spans the handler.
enum IrxStage { IrxStageRebuild, IrxStageUpload, IrxStagePasses, IrxStageReadBack, IrxStageTotal,
                IrxStageCount };

struct IrxStageTimes {
    double seconds[IrxStageCount];
};

// Signature of the benchmark build's extra export: copies the calling thread's
// last finished frame into `times` and forgets it. Returns 0 when the thread
// finished no frame since the previous call.
using IrxTakeStageTimesFunc = int (*)(IrxStageTimes* times);
constexpr const char* kIrxTakeStageTimesName = "IrxTakeStageTimes";

#if defined(IRX_STAGE_TIMING)

namespace StageTiming {

// Times one frame on this thread, from construction to destruction, without
// fences (no context of the module need be current at either end).
class FrameClock {
public:
    FrameClock();
    ~FrameClock();
    FrameClock(const FrameClock&) = delete;
    FrameClock& operator=(const FrameClock&) = delete;

private:
    double start_;
};

// Adds the fenced time of one stage to the thread's frame in progress; needs
// the render thread's context current at both ends.
class FencedStage {
public:
    explicit FencedStage(IrxStage stage);
    ~FencedStage();
    FencedStage(const FencedStage&) = delete;
    FencedStage& operator=(const FencedStage&) = delete;

private:
    IrxStage stage_;
    double start_;
};

} // namespace StageTiming

#define IRX_TIME_FRAME() const StageTiming::FrameClock irxFrameClock
#define IRX_TIME_STAGE(stage, ...)                                                                 \
    do {                                                                                           \
        const StageTiming::FencedStage irxStageClock(IrxStage##stage);                             \
        __VA_ARGS__;                                                                               \
    } while (false)

#else

#define IRX_TIME_FRAME() static_cast<void>(0)
#define IRX_TIME_STAGE(stage, ...) __VA_ARGS__

#endif
