// Render threads of the benchmark's own that live across several batches of
// frames, so that the OpenGL context and programs a thread makes on its first
// frame serve every batch after it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class RenderCrew {
public:
    explicit RenderCrew(unsigned threads);
    ~RenderCrew(); // joins the threads (no batch runs then: dispatch waits for its own)
    RenderCrew(const RenderCrew&) = delete;
    RenderCrew& operator=(const RenderCrew&) = delete;

    // Runs job(0) .. job(count - 1), each once, with every thread taking the
    // next index not yet taken, and returns when all have finished.
    void share(size_t count, const std::function<void(size_t)>& job);
    // Runs job(thread index) exactly once on each thread of the crew.
    void onEach(const std::function<void(size_t)>& job);
    // Both: the first exception stops the batch at the threads' next index and
    // is rethrown here once every thread is idle again.

private:
    void dispatch(size_t count, bool onEachThread, const std::function<void(size_t)>& job);
    void work(size_t threadIndex);
    void runBatch(size_t threadIndex);

    std::mutex mutex_;
    std::condition_variable wake_;     // a new batch, or the end
    std::condition_variable finished_; // the last busy thread went idle
    uint64_t batchNumber_ = 0;
    unsigned busy_ = 0;
    bool quitting_ = false;

    // The batch in progress, written only while every thread is idle.
    const std::function<void(size_t)>* job_ = nullptr;
    size_t count_ = 0;
    bool onEachThread_ = false;
    size_t next_ = 0; // under mutex_
    std::exception_ptr failure_; // under mutex_

    std::vector<std::thread> threads_;
};
