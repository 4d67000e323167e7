// A fixed set of long-lived render threads, as a compositing host keeps: the
// effect sees the same few threads whatever threads hand it work, and what it
// keeps per thread (a graphics context, compiled programs) serves every job
// after the first. A job goes to the thread that went idle last, so work that
// comes one job at a time stays on one thread and only as many threads as
// there are jobs at once ever render. The threads start with the crew and end
// with it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace hostsim {

class RenderCrew {
public:
    // `threads` threads (0: one per core); each runs onStart first, if given.
    // Throws ThreadStartError, with none of them left running, when one
    // cannot start.
    explicit RenderCrew(unsigned threads, std::function<void()> onStart = {});
    ~RenderCrew(); // lets the jobs already handed over finish, then joins the threads
    RenderCrew(const RenderCrew&) = delete;
    RenderCrew& operator=(const RenderCrew&) = delete;

    unsigned size() const { return unsigned(threads_.size()); }

    // Runs job on the crew thread that went idle last (or, with none idle, the
    // first one to be free) and waits for it; rethrows what it threw. Any
    // number of callers at once, each job on its own thread.
    void run(const std::function<void()>& job);
    // Runs job(0..count-1) on the crew's threads, each taking the next index
    // not yet taken. The first exception stops the others at their next index
    // and is rethrown once all have finished.
    void share(size_t count, const std::function<void(size_t)>& job);
    // Runs job(0..size()-1) once on each crew thread, as share() does, such as
    // to warm every thread up.
    void onEach(const std::function<void(size_t)>& job);

private:
    // Its caller hears that it is done only once its thread is idle again (or
    // has taken its next job), so that the caller's next job finds that
    // thread the last one idle.
    struct Job {
        std::function<void()> body;
        std::promise<void> done;
        std::exception_ptr failure;
    };
    struct Worker {
        std::condition_variable wake;
        std::optional<Job> job; // handed over, not yet taken
    };
    void end(); // lets the jobs handed over finish, then joins the threads
    std::future<void> hand(std::function<void()> body); // under mutex_
    void work(size_t index, const std::function<void()>& onStart);

    std::mutex mutex_;
    std::vector<std::unique_ptr<Worker>> workers_;
    std::vector<size_t> idle_; // workers waiting, the last one idle last
    std::deque<Job> queued_;   // jobs no worker was free for
    bool quitting_ = false;
    std::vector<std::thread> threads_; // last: they start once everything above exists
};

// The same sharing on `threads` threads made for the call and ended with it;
// throws ThreadStartError when one cannot start.
void ShareOnFreshThreads(size_t count, unsigned threads, const std::function<void(size_t)>& job);

} // namespace hostsim
