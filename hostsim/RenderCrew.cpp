#include "hostsim/RenderCrew.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <future>

namespace hostsim {
namespace {

unsigned ThreadsForCores(unsigned threads) { return threads ? threads : std::max(1u, std::thread::hardware_concurrency()); }

// Indices 0..count-1 shared by threads that each call work().
class SharedIndices {
public:
    SharedIndices(size_t count, const std::function<void(size_t)>& job) : count_(count), job_(job) {}

    void work() {
        for (size_t i = next_++; i < count_ && !stop_; i = next_++) {
            try {
                job_(i);
            } catch (...) {
                std::lock_guard<std::mutex> lock(failureMutex_);
                if (!failure_) failure_ = std::current_exception();
                stop_ = true;
            }
        }
    }
    // Once every thread has returned from work().
    void rethrowFailure() const {
        if (failure_) std::rethrow_exception(failure_);
    }

private:
    const size_t count_;
    const std::function<void(size_t)>& job_;
    std::atomic<size_t> next_{0};
    std::atomic<bool> stop_{false};
    std::mutex failureMutex_;
    std::exception_ptr failure_;
};

} // namespace

RenderCrew::RenderCrew(unsigned threads, std::function<void()> onStart) {
    threads = ThreadsForCores(threads);
    threads_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this, onStart] { work(onStart); });
}

RenderCrew::~RenderCrew() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quitting_ = true;
    }
    queued_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

void RenderCrew::work(const std::function<void()>& onStart) {
    if (onStart) onStart();
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            queued_.wait(lock, [&] { return quitting_ || !jobs_.empty(); });
            if (jobs_.empty()) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

void RenderCrew::run(const std::function<void()>& job) {
    std::packaged_task<void()> task(job);
    std::future<void> done = task.get_future();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_.emplace_back([&task] { task(); });
    }
    queued_.notify_one();
    done.get();
}

void RenderCrew::share(size_t count, unsigned threads, const std::function<void(size_t)>& job) {
    SharedIndices indices(count, job);
    const size_t helpers = std::min<size_t>({count, threads ? threads : size(), size()});
    std::vector<std::packaged_task<void()>> tasks;
    tasks.reserve(helpers);
    std::vector<std::future<void>> done;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (size_t i = 0; i < helpers; ++i) {
            tasks.emplace_back([&indices] { indices.work(); });
            done.push_back(tasks.back().get_future());
            jobs_.emplace_back([task = &tasks.back()] { (*task)(); });
        }
    }
    queued_.notify_all();
    for (std::future<void>& one : done) one.get();
    indices.rethrowFailure();
}

void ShareOnFreshThreads(size_t count, unsigned threads, const std::function<void(size_t)>& job) {
    SharedIndices indices(count, job);
    const size_t helpers = std::min<size_t>(count, ThreadsForCores(threads));
    std::vector<std::thread> workers;
    for (size_t t = 0; t < helpers; ++t) workers.emplace_back([&indices] { indices.work(); });
    for (std::thread& worker : workers) worker.join();
    indices.rethrowFailure();
}

} // namespace hostsim
