#include "RenderCrew.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

std::set<std::thread::id> ThreadsOfOneRound(RenderCrew& crew)
{
    std::set<std::thread::id> threads;
    std::mutex mutex;
    crew.onEach([&](size_t) {
        std::lock_guard<std::mutex> lock(mutex);
        threads.insert(std::this_thread::get_id());
    });
    return threads;
}

} // namespace

// A thread's render data belongs to the thread, so warm-ups only count when
// the same threads render every later batch, each warm-up on its own thread.
TEST(RenderCrew, OnEachRunsOncePerThreadAndTheThreadsStay)
{
    RenderCrew crew(3);
    const std::set<std::thread::id> first = ThreadsOfOneRound(crew);
    EXPECT_EQ(first.size(), 3u);
    EXPECT_EQ(first.count(std::this_thread::get_id()), 0u);
    crew.share(20, [](size_t) {});
    EXPECT_EQ(ThreadsOfOneRound(crew), first);
}

TEST(RenderCrew, ShareRunsEveryIndexOnceAndReturnsWhenAllAreDone)
{
    RenderCrew crew(2);
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
}

TEST(RenderCrew, AFailureStopsTheBatchAndTheCrewServesTheNext)
{
    RenderCrew crew(2);
    std::atomic<int> started{0};
    EXPECT_THROW(crew.share(100,
                            [&](size_t i) {
                                ++started;
                                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                                if (i == 3) {
                                    throw std::runtime_error("frame 3 failed");
                                }
                            }),
                 std::runtime_error);
    EXPECT_LT(started.load(), 100);
    std::atomic<int> after{0};
    crew.share(5, [&](size_t) { ++after; });
    EXPECT_EQ(after.load(), 5);
}
