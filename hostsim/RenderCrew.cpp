#include "hostsim/RenderCrew.h"

#include "hostsim/ThreadStart.h"

#include <algorithm>
#include <atomic>
#include <exception>

namespace hostsim {
namespace {

unsigned ThreadsForCores(unsigned threads) {
    return threads ? threads : std::max(1u, std::thread::hardware_concurrency());
}

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
    // Ends work() at the next index.
    void stop() { stop_ = true; }
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
    for (unsigned i = 0; i < threads; ++i) workers_.push_back(std::make_unique<Worker>());
    threads_.reserve(threads);
    try {
        for (unsigned i = 0; i < threads; ++i)
            threads_.push_back(StartThread("a render thread", [this, i, onStart] { work(i, onStart); }));
    } catch (...) {
        end(); // the threads already started
        throw;
    }
}

RenderCrew::~RenderCrew() { end(); }

void RenderCrew::end() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quitting_ = true;
    }
    for (const auto& worker : workers_) worker->wake.notify_one();
    for (std::thread& thread : threads_) thread.join();
}

std::future<void> RenderCrew::hand(std::function<void()> body) {
    Job job{std::move(body), {}, {}};
    std::future<void> done = job.done.get_future();
    if (idle_.empty()) {
        queued_.push_back(std::move(job));
        return done;
    }
    Worker& worker = *workers_[idle_.back()];
    idle_.pop_back();
    worker.job = std::move(job);
    worker.wake.notify_one();
    return done;
}

void RenderCrew::work(size_t index, const std::function<void()>& onStart) {
    if (onStart) onStart();
    Worker& self = *workers_[index];
    std::unique_lock<std::mutex> lock(mutex_);
    std::optional<Job> finished;
    for (;;) {
        if (!self.job && !queued_.empty()) {
            self.job = std::move(queued_.front());
            queued_.pop_front();
        }
        const bool waits = !self.job && !quitting_;
        if (waits) idle_.push_back(index);
        if (finished) {
            finished->failure ? finished->done.set_exception(finished->failure) : finished->done.set_value();
            finished.reset();
        }
        if (!self.job) {
            if (!waits) return;
            self.wake.wait(lock, [&] { return self.job || quitting_; });
            continue;
        }
        finished = std::move(self.job);
        self.job.reset();
        lock.unlock();
        try {
            finished->body();
        } catch (...) {
            finished->failure = std::current_exception();
        }
        lock.lock();
    }
}

void RenderCrew::run(const std::function<void()>& job) {
    std::future<void> done;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done = hand([&job] { job(); });
    }
    done.get();
}

void RenderCrew::share(size_t count, const std::function<void(size_t)>& job) {
    SharedIndices indices(count, job);
    const size_t threadsUsed = std::min<size_t>(count, size());
    std::vector<std::future<void>> done;
    done.reserve(threadsUsed); // a push_back that throws would leave a job working on what is gone
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (size_t i = 0; i < threadsUsed; ++i) done.push_back(hand([&indices] { indices.work(); }));
    }
    for (std::future<void>& one : done) one.get();
    indices.rethrowFailure();
}

void RenderCrew::onEach(const std::function<void(size_t)>& job) {
    // A thread keeps its index until every index is taken, so no thread takes two.
    std::mutex mutex;
    std::condition_variable allTaken;
    size_t taken = 0;
    share(size(), [&](size_t index) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            if (++taken == size()) allTaken.notify_all();
            allTaken.wait(lock, [&] { return taken == size(); });
        }
        job(index);
    });
}

void ShareOnFreshThreads(size_t count, unsigned threads, const std::function<void(size_t)>& job) {
    SharedIndices indices(count, job);
    const size_t threadsUsed = std::min<size_t>(count, ThreadsForCores(threads));
    std::vector<std::thread> workers;
    workers.reserve(threadsUsed); // a push_back that throws would drop a running thread
    const auto joinAll = [&] {
        for (std::thread& worker : workers) worker.join();
    };
    try {
        for (size_t t = 0; t < threadsUsed; ++t)
            workers.push_back(StartThread("a render thread", [&indices] { indices.work(); }));
    } catch (...) {
        indices.stop();
        joinAll();
        throw;
    }
    joinAll();
    indices.rethrowFailure();
}

} // namespace hostsim
