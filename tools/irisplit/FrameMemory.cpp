#include "FrameMemory.h"

namespace irisplit {
namespace {

constexpr uint64_t kFloatPixel = 16; // four float channels
// The effect renders through three RGBA float targets.
constexpr uint64_t kRenderTargetsPerPixel = 3 * kFloatPixel;
// Measured with the software renderer: peak resident bytes beyond the parts
// counted below, per pixel of a frame, and for the process before any frame
// (its libraries, the renderer's compiler and threads).
constexpr uint64_t kRendererOwnPerPixel = 20;
constexpr uint64_t kProcessBytes = 224ull << 20;

} // namespace

uint64_t MemoryToRender(const FrameBytes& frame, const FramesInFlight& inFlight)
{
    const uint64_t world = frame.worldPerPixel;
    // Waiting: the samples read and the input world made of them.
    const uint64_t waiting = frame.samplesPerPixel + world;
    // Rendered: the input and output worlds, and on the renderer the input
    // texture and the render targets; a float frame also passes through a
    // staging copy. The samples are let go once the input world holds them
    // all, as it does for colour and alpha.
    const uint64_t staging = world == kFloatPixel ? world : 0;
    const uint64_t rendered = 3 * world + staging + kRenderTargetsPerPixel + kRendererOwnPerPixel;
    // Written: the output world, the file's frame and its encoding.
    const uint64_t written = world + 2 * frame.filePerPixel;
    const uint64_t perPixel = waiting * inFlight.waiting + rendered * inFlight.rendered + written * inFlight.written;
    return kProcessBytes + frame.pixels * perPixel;
}

} // namespace irisplit
