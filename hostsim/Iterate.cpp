// iterateFloat: calls the effect's function once per pixel of the area, row
// by row, on one or more threads.
#include "hostsim/Callbacks.h"
#include "hostsim/CommandState.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace hostsim {
namespace {

struct Iteration {
    World& src;
    World& dst;
    PF_Rect area; // clipped to both worlds
    void* refcon;
    PF_IteratePixelFloatFunc pixelFunction;
    PF_Err failure;        // the injected failure, 0 for none
    int32_t rowsBeforeFailure;

    std::atomic<int32_t> rowsClaimed{0};
    std::atomic<PF_Err> result{PF_Err_NONE};

    // Claims rows until none are left or a row fails.
    void work() {
        const int32_t rows = area.bottom - area.top;
        for (int32_t claim = rowsClaimed++; claim < rows && result == PF_Err_NONE; claim = rowsClaimed++) {
            if (failure != PF_Err_NONE && claim >= rowsBeforeFailure) {
                fail(failure);
                return;
            }
            const int32_t y = area.top + claim;
            for (int32_t x = area.left; x < area.right; ++x) {
                const PF_Err err =
                    pixelFunction(refcon, x, y, &src.pixel<PF_PixelFloat>(x, y), &dst.pixel<PF_PixelFloat>(x, y));
                if (err != PF_Err_NONE) {
                    fail(err);
                    return;
                }
            }
        }
    }

    void fail(PF_Err err) {
        PF_Err none = PF_Err_NONE;
        result.compare_exchange_strong(none, err);
    }
};

PF_Rect ClippedArea(const PF_Rect* area, const World& src, const World& dst) {
    PF_Rect clipped{0, 0, std::min(src.width(), dst.width()), std::min(src.height(), dst.height())};
    if (area) {
        clipped.left = std::max(clipped.left, area->left);
        clipped.top = std::max(clipped.top, area->top);
        clipped.right = std::min(clipped.right, area->right);
        clipped.bottom = std::min(clipped.bottom, area->bottom);
    }
    clipped.right = std::max(clipped.right, clipped.left);
    clipped.bottom = std::max(clipped.bottom, clipped.top);
    return clipped;
}

} // namespace

PF_Err IterateFloat(PF_InData* in_data, int32_t progress_base, int32_t progress_final, PF_EffectWorld* srcRecord,
                    const PF_Rect* area, void* refcon, PF_IteratePixelFloatFunc pix_fn, PF_EffectWorld* dstRecord) {
    CommandState* state = CommandState::Current();
    if (!state) return PF_Err_BAD_CALLBACK_PARAM;
    World* src = state->knownWorld(srcRecord, "iterate (source)");
    World* dst = state->knownWorld(dstRecord, "iterate (destination)");
    PF_Err result = PF_Err_NONE;
    if (in_data != &state->in) state->misuse("iterate: in_data is not the command's");
    if (progress_base > progress_final) state->misuse("iterate: progress base beyond its final value");
    if (!src || !dst || !pix_fn) {
        result = PF_Err_BAD_CALLBACK_PARAM;
    } else if (src->format() != PF_PixelFormat_ARGB128 || dst->format() != PF_PixelFormat_ARGB128) {
        state->misuse("iterate: a world that is not float");
        result = PF_Err_BAD_CALLBACK_PARAM;
    } else {
        Iteration iteration{*src, *dst, ClippedArea(area, *src, *dst), refcon, pix_fn,
                            state->faults.iterateError, state->faults.iterateRowsBeforeError};
        std::vector<std::thread> helpers;
        try {
            for (int i = 1; i < state->setup.iterateThreads; ++i)
                helpers.emplace_back([&iteration] { iteration.work(); });
        } catch (const std::system_error&) {
            // Fewer helpers: this thread takes every row they leave.
        }
        iteration.work();
        for (std::thread& helper : helpers) helper.join();
        result = iteration.result;
    }
    state->note("iterate", std::to_string(progress_base) + "," + std::to_string(progress_final), result);
    return result;
}

} // namespace hostsim
