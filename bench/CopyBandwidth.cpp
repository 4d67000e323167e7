#include "CopyBandwidth.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr size_t kBufferBytes = size_t(64) << 20;
constexpr int kRounds = 5;
constexpr int kCopiesPerRound = 4;

using Clock = std::chrono::steady_clock;

} // namespace

CopyBandwidth MeasureCopyBandwidth()
{
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::vector<char>> sources(threads, std::vector<char>(kBufferBytes, 1));
    std::vector<std::vector<char>> targets(threads, std::vector<char>(kBufferBytes, 0));

    double best = 0;
    for (int round = 0; round < kRounds; ++round) {
        const Clock::time_point start = Clock::now();
        std::vector<std::thread> workers;
        for (unsigned t = 0; t < threads; ++t) {
            workers.emplace_back([&, t] {
                for (int copy = 0; copy < kCopiesPerRound; ++copy) {
                    std::memcpy(targets[t].data(), sources[t].data(), kBufferBytes);
                }
            });
        }
        for (std::thread& worker : workers) {
            worker.join();
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const double moved = 2.0 * kBufferBytes * kCopiesPerRound * threads;
        best = std::max(best, moved / seconds);
    }
    return CopyBandwidth{threads, best};
}
