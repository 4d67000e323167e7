#include "hostsim/RenderCrew.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

// Warm-ups count only when the same threads render every later batch, one on
// each thread (render data belongs to its thread). Every index of a batch runs
// once; a failure stops its batch, and the crew serves the next.
TEST(RenderCrew, KeepsItsThreadsRunsEveryIndexOnceAndOutlivesAFailure)
{
    hostsim::RenderCrew crew(3);
    std::mutex mutex;
    const auto threadsOfOneRound = [&] {
        std::set<std::thread::id> threads;
        crew.onEach([&](size_t) {
            std::lock_guard<std::mutex> lock(mutex);
            threads.insert(std::this_thread::get_id());
        });
        return threads;
    };
    const std::set<std::thread::id> first = threadsOfOneRound();
    EXPECT_EQ(first.size(), 3u);
    EXPECT_EQ(first.count(std::this_thread::get_id()), 0u);
    for (size_t count : {size_t{0}, size_t{1}, size_t{7}}) {
        std::vector<std::atomic<int>> runs(count);
        crew.share(count, [&](size_t i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ++runs[i];
        });
        for (size_t i = 0; i < count; ++i) {
            EXPECT_EQ(runs[i].load(), 1) << "index " << i << " of " << count;
        }
    }
    EXPECT_EQ(threadsOfOneRound(), first);

    std::atomic<int> started{0};
    const auto failing = [&](size_t i) {
        ++started;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (i == 3) {
            throw std::runtime_error("frame 3 failed");
        }
    };
    EXPECT_THROW(crew.share(100, failing), std::runtime_error);
    EXPECT_LT(started.load(), 100);
    std::atomic<int> after{0};
    crew.share(5, [&](size_t) { ++after; });
    EXPECT_EQ(after.load(), 5);
}
