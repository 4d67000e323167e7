// Frames rendered on render threads of the host's own, made for the call.
#include "hostsim/HostSim.h"
#include "hostsim/RenderCrew.h"
#include "hostsim/WorldPool.h"

namespace hostsim {

std::vector<FrameResult> Host::renderFrames(const std::vector<FrameRequest>& frames, unsigned threads) {
    std::vector<FrameResult> results(frames.size());
    ShareOnFreshThreads(frames.size(), threads, [&](size_t i) { results[i] = render(frames[i]); });
    return results;
}

void Host::renderFrames(size_t count, unsigned threads, const std::function<FrameRequest(size_t)>& make,
                        const std::function<void(size_t, FrameResult&&)>& done) {
    ShareOnFreshThreads(count, threads, [&](size_t i) { renderMade(i, make, done); });
}

void Host::renderMade(size_t index, const std::function<FrameRequest(size_t)>& make,
                      const std::function<void(size_t, FrameResult&&)>& done) {
    FrameRequest request = make(index);
    done(index, render(request));
    if (request.worlds) request.worlds->give(std::move(request.input));
}

} // namespace hostsim
