#include "hostsim/RenderCrew.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

// Warm-ups count only when the same threads render every later batch, one on
// each (render data belongs to its thread). Every index of a batch runs once
// and no other; a failure stops its batch and is rethrown, as is a failed run(),
// and the crew serves on. A job goes to the thread idle last: one caller at a
// time keeps one thread; of three jobs ending in turn, the last one's is next.
TEST(RenderCrew, KeepsItsThreadsRunsEveryIndexOnceOutlivesAFailureAndHandsJobsToTheThreadIdleLast)
{
    hostsim::RenderCrew crew(3);
    const auto threadsOfOneRound = [&] {
        std::vector<std::thread::id> threads(crew.size());
        crew.onEach([&](size_t i) { threads[i] = std::this_thread::get_id(); });
        return std::set<std::thread::id>(threads.begin(), threads.end());
    };
    const std::set<std::thread::id> first = threadsOfOneRound();
    EXPECT_EQ(first.size(), 3u);
    EXPECT_EQ(first.count(std::this_thread::get_id()), 0u);
    for (size_t count : {size_t{0}, size_t{1}, size_t{7}}) {
        std::vector<std::atomic<int>> runs(count + 1); // the last one past the last index
        crew.share(count, [&](size_t i) { std::this_thread::sleep_for(std::chrono::milliseconds(1)), ++runs[i]; });
        for (size_t i = 0; i <= count; ++i) EXPECT_EQ(runs[i].load(), i < count) << "index " << i << " of " << count;
    }
    EXPECT_EQ(threadsOfOneRound(), first);
    EXPECT_EQ(hostsim::RenderCrew(0).size(), std::thread::hardware_concurrency()); // one per core

    std::atomic<int> started{0}, arrived{0}, turn{0};
    const auto failing = [&](size_t i) {
        if (++started, std::this_thread::sleep_for(std::chrono::milliseconds(1)), i == 3) throw std::runtime_error("3");
    };
    EXPECT_THROW(crew.share(100, failing), std::runtime_error);
    EXPECT_LT(started.load(), 100);
    EXPECT_THROW(crew.run([] { throw std::range_error("a job"); }), std::range_error);

    const auto threadOf = [&](const std::function<void()>& wait) {
        std::thread::id id;
        crew.run([&] { id = std::this_thread::get_id(), wait(); });
        return id;
    };
    std::vector<std::thread::id> ran(3);
    std::vector<std::thread> callers;
    const auto inTurn = [&](int k) { return [&, k] { for (++arrived; arrived < 3 || turn != k;) std::this_thread::yield(); }; };
    for (int k = 0; k < 3; ++k) callers.emplace_back([&, k] { ran[k] = threadOf(inTurn(k)), ++turn; });
    for (std::thread& caller : callers) caller.join();
    EXPECT_EQ(std::set<std::thread::id>(ran.begin(), ran.end()).size(), 3u);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(threadOf([] {}), ran[2]) << i;
}

// Threads made for one call: as many as asked (its first jobs wait until all
// of them run one), never more than there are jobs.
TEST(RenderCrew, FreshThreadsAreAsManyAsAskedUpToTheJobs)
{
    for (const auto& [jobs, threads] : {std::pair{size_t{9}, 3u}, {size_t{2}, 3u}}) {
        std::mutex mutex;
        std::set<std::thread::id> ran;
        std::atomic<size_t> arrived{0};
        const size_t together = std::min<size_t>(jobs, threads);
        hostsim::ShareOnFreshThreads(jobs, threads, [&](size_t i) {
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            for (++arrived; i < together && arrived < together && std::chrono::steady_clock::now() < giveUp;)
                std::this_thread::yield();
            const std::lock_guard<std::mutex> lock(mutex);
            ran.insert(std::this_thread::get_id());
        });
        EXPECT_EQ(ran.size(), together) << jobs << " jobs on " << threads;
    }
}
