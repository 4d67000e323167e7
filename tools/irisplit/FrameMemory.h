// What rendering holds in memory, estimated before a frame's samples are
// read, so that a frame that cannot fit is refused before any work instead
// of running out halfway.
#pragma once

#include <cstdint>

namespace irisplit {

// Frames each stage of a render holds at once.
struct FramesInFlight {
    unsigned waiting = 0;  // read ahead, not yet taken by a render thread
    unsigned rendered = 1; // one per render thread
    unsigned written = 1;  // being encoded and written, or queued for that
};

// A frame as the stages hold it: its pixels, and the bytes per pixel of its
// samples (every channel, at the host depth), of its host world, and of the
// file written (every channel, at the file's own depth).
struct FrameBytes {
    uint64_t pixels = 0;
    uint64_t samplesPerPixel = 0;
    uint64_t worldPerPixel = 0;
    uint64_t filePerPixel = 0;
};

// The peak resident bytes of a render of such frames, the process's own
// code and libraries included.
uint64_t MemoryToRender(const FrameBytes& frame, const FramesInFlight& inFlight);

} // namespace irisplit
