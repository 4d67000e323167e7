// Frames rendered on render threads of the host's own.
#include "hostsim/HostSim.h"
#include "hostsim/WorldPool.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>

namespace hostsim {
namespace {

// Runs job(0..count-1) on `threads` threads, each taking the next index.
// The first exception stops the other threads at their next index and is
// rethrown here once all have finished.
void RunOnThreads(size_t count, unsigned threads, const std::function<void(size_t)>& job) {
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    threads = static_cast<unsigned>(std::min<size_t>(threads, count));
    std::atomic<size_t> next{0};
    std::atomic<bool> stop{false};
    std::exception_ptr failure;
    std::mutex failureMutex;
    auto work = [&] {
        for (size_t i = next++; i < count && !stop; i = next++) {
            try {
                job(i);
            } catch (...) {
                std::lock_guard<std::mutex> lock(failureMutex);
                if (!failure) failure = std::current_exception();
                stop = true;
            }
        }
    };
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t) workers.emplace_back(work);
    for (std::thread& worker : workers) worker.join();
    if (failure) std::rethrow_exception(failure);
}

} // namespace

std::vector<FrameResult> Host::renderFrames(const std::vector<FrameRequest>& frames, unsigned threads) {
    std::vector<FrameResult> results(frames.size());
    RunOnThreads(frames.size(), threads, [&](size_t i) { results[i] = render(frames[i]); });
    return results;
}

void Host::renderFrames(size_t count, unsigned threads, const std::function<FrameRequest(size_t)>& make,
                        const std::function<void(size_t, FrameResult&&)>& done) {
    RunOnThreads(count, threads, [&](size_t i) {
        FrameRequest request = make(i);
        done(i, render(request));
        if (request.worlds) request.worlds->give(std::move(request.input));
    });
}

} // namespace hostsim
