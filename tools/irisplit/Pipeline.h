// Reading ahead of the render threads and writing behind them, on threads of
// their own, so that file work overlaps rendering while the number of frames
// held in memory stays bounded. Each constructor throws
// hostsim::ThreadStartError, with none of its threads left running, when a
// thread cannot start.
#pragma once

#include "ImageFile.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace irisplit {

struct InputFrame {
    std::shared_ptr<const Image> image; // what FromWorld needs of the file
    hostsim::World world;
};

// Frames read in index order, at most `ahead` read and not yet taken.
class ReadAhead {
public:
    using Read = std::function<InputFrame(size_t index)>;
    ReadAhead(size_t count, size_t ahead, Read read);
    ~ReadAhead(); // stops reading and waits for the thread
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Waits for frame `index`; rethrows the failure of its read or of an
    // earlier one, and after stop() the reason given there.
    InputFrame take(size_t index);
    // Ends the reading: take() throws `reason` from now on.
    void stop(std::exception_ptr reason);

private:
    void run(size_t count, size_t ahead, const Read& read);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<size_t, InputFrame> ready_;
    std::exception_ptr failure_;
    size_t failedAt_ = 0;
    bool stopped_ = false;
    std::thread thread_; // last: starts once everything above exists
};

// Jobs start in the order posted, each on the first of `workers` threads
// free, so that they overlap; at most `queued` wait. The first job that fails
// ends the work: jobs not yet started are dropped.
class WriteBehind {
public:
    WriteBehind(size_t queued, unsigned workers);
    ~WriteBehind(); // drops the jobs still waiting and waits for the threads
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    // Waits for room; rethrows the failure of an earlier job.
    void post(std::function<void()> job);
    // Runs every job posted and ends the threads; rethrows the first failure.
    void finish();

private:
    void run();
    // Ends the threads once the jobs left (none if dropWaiting) have run.
    void close(bool dropWaiting);

    const size_t queued_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> jobs_;
    std::exception_ptr failure_;
    bool closing_ = false;
    std::vector<std::thread> threads_; // last: they start once everything above exists
};

} // namespace irisplit
