// Per-stage frame timing, for the benchmark build of the module only.
//
// Every build of the module runs the same frame code; the benchmark build
// installs a clock as it loads (bench/ModuleStageClock.cpp), the shipped
// module never does, and a frame there costs one test of an empty pointer per
// stage: no clock, no fence, no extra export. With the clock, each timed stage
// is fenced with glFinish on both sides so the GPU work it queued is charged to
// it, and the calling thread's last frame can be read through IrxTakeStageTimes.
#pragma once

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

namespace StageTiming {

// What a clock is told, on the render thread. A frame's ends may have no
// context of the module current; a stage's ends have the thread's.
struct Clock {
    void (*frameStarted)();
    void (*frameFinished)();
    void (*stageStarted)(IrxStage stage);
    void (*stageFinished)(IrxStage stage);
};

// Set while the module loads, before any command; null when nothing times frames.
extern const Clock* installedClock;

class FrameScope {
public:
    FrameScope()
    {
        if (installedClock) {
            installedClock->frameStarted();
        }
    }
    ~FrameScope()
    {
        if (installedClock) {
            installedClock->frameFinished();
        }
    }
    FrameScope(const FrameScope&) = delete;
    FrameScope& operator=(const FrameScope&) = delete;
};

class StageScope {
public:
    explicit StageScope(IrxStage stage) : stage_(stage)
    {
        if (installedClock) {
            installedClock->stageStarted(stage_);
        }
    }
    ~StageScope()
    {
        if (installedClock) {
            installedClock->stageFinished(stage_);
        }
    }
    StageScope(const StageScope&) = delete;
    StageScope& operator=(const StageScope&) = delete;

private:
    IrxStage stage_;
};

} // namespace StageTiming

#define IRX_TIME_FRAME() const StageTiming::FrameScope irxFrameClock
#define IRX_TIME_STAGE(stage, ...)                                                                 \
    do {                                                                                           \
        const StageTiming::StageScope irxStageClock(IrxStage##stage);                              \
        __VA_ARGS__;                                                                               \
    } while (false)
