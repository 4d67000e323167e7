#include "Pipeline.h"

#include "hostsim/ThreadStart.h"

#include <stdexcept>

namespace irisplit {

ReadAhead::ReadAhead(size_t count, size_t ahead, Read read)
    : thread_(hostsim::StartThread("the thread that reads frames",
                                   [this, count, ahead, read = std::move(read)] { run(count, ahead, read); }))
{
}

ReadAhead::~ReadAhead()
{
    stop(nullptr);
    thread_.join();
}

void ReadAhead::run(size_t count, size_t ahead, const Read& read)
{
    for (size_t index = 0; index < count; ++index) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return stopped_ || ready_.size() < ahead; });
            if (stopped_) {
                return;
            }
        }
        try {
            InputFrame frame = read(index);
            std::lock_guard<std::mutex> lock(mutex_);
            ready_.emplace(index, std::move(frame));
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex_);
            failure_ = std::current_exception();
            failedAt_ = index;
            changed_.notify_all();
            return;
        }
        changed_.notify_all();
    }
}

InputFrame ReadAhead::take(size_t index)
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return stopped_ || ready_.count(index) || (failure_ && failedAt_ <= index); });
    if (stopped_ || !ready_.count(index)) {
        std::rethrow_exception(failure_ ? failure_ : std::make_exception_ptr(std::runtime_error("reading stopped")));
    }
    InputFrame frame = std::move(ready_.at(index));
    ready_.erase(index);
    changed_.notify_all();
    return frame;
}

void ReadAhead::stop(std::exception_ptr reason)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!stopped_) {
        stopped_ = true;
        failure_ = failure_ ? failure_ : reason;
    }
    changed_.notify_all();
}

WriteBehind::WriteBehind(size_t queued, unsigned workers) : queued_(queued)
{
    threads_.reserve(workers); // a push_back that throws would drop a running thread
    try {
        for (unsigned i = 0; i < workers; ++i) {
            threads_.push_back(hostsim::StartThread("a thread that writes frames", [this] { run(); }));
        }
    } catch (...) {
        close(true); // the threads already started
        throw;
    }
}

WriteBehind::~WriteBehind()
{
    close(true);
}

void WriteBehind::close(bool dropWaiting)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (dropWaiting) {
            jobs_.clear();
        }
        closing_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
    threads_.clear();
}

void WriteBehind::run()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return closing_ || !jobs_.empty(); });
            if (jobs_.empty() || failure_) {
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        changed_.notify_all();
        try {
            job();
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex_);
            failure_ = failure_ ? failure_ : std::current_exception();
            jobs_.clear();
            changed_.notify_all();
            return;
        }
    }
}

void WriteBehind::post(std::function<void()> job)
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return failure_ || jobs_.size() < queued_; });
    if (failure_) {
        std::rethrow_exception(failure_);
    }
    jobs_.push_back(std::move(job));
    changed_.notify_all();
}

void WriteBehind::finish()
{
    close(false);
    if (failure_) {
        std::rethrow_exception(failure_);
    }
}

} // namespace irisplit
