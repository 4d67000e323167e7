#include "RenderCrew.h"

RenderCrew::RenderCrew(unsigned threads)
{
    threads_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i) {
        threads_.emplace_back([this, i] { work(i); });
    }
}

RenderCrew::~RenderCrew()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quitting_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
}

void RenderCrew::share(size_t count, const std::function<void(size_t)>& job)
{
    dispatch(count, false, job);
}

void RenderCrew::onEach(const std::function<void(size_t)>& job)
{
    dispatch(threads_.size(), true, job);
}

void RenderCrew::dispatch(size_t count, bool onEachThread, const std::function<void(size_t)>& job)
{
    std::unique_lock<std::mutex> lock(mutex_);
    job_ = &job;
    count_ = count;
    onEachThread_ = onEachThread;
    next_ = 0;
    failure_ = nullptr;
    busy_ = static_cast<unsigned>(threads_.size());
    ++batchNumber_;
    wake_.notify_all();
    finished_.wait(lock, [this] { return busy_ == 0; });
    job_ = nullptr;
    if (failure_) {
        std::rethrow_exception(failure_);
    }
}

void RenderCrew::work(size_t threadIndex)
{
    uint64_t seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return quitting_ || batchNumber_ != seen; });
            if (quitting_) {
                return;
            }
            seen = batchNumber_;
        }
        runBatch(threadIndex);
        std::lock_guard<std::mutex> lock(mutex_);
        if (--busy_ == 0) {
            finished_.notify_one();
        }
    }
}

void RenderCrew::runBatch(size_t threadIndex)
{
    for (size_t done = 0;; ++done) {
        size_t index = threadIndex;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (failure_) {
                return;
            }
            if (onEachThread_) {
                if (done > 0) {
                    return;
                }
            } else {
                if (next_ >= count_) {
                    return;
                }
                index = next_++;
            }
        }
        try {
            (*job_)(index);
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!failure_) {
                failure_ = std::current_exception();
            }
        }
    }
}
