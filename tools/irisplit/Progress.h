// Progress of a render on standard error: a bar redrawn in place on a
// terminal, one plain line per frame otherwise, nothing when quiet.
#pragma once

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>

namespace irisplit {

class Progress {
public:
    Progress(int totalFrames, bool quiet, std::FILE* stream = stderr);
    ~Progress(); // ends the bar's line

    // Thread safe: frames finish on several render threads.
    void frameDone(int frame, const std::string& path);

private:
    using Clock = std::chrono::steady_clock;

    std::mutex mutex_;
    std::FILE* stream_;
    const int total_;
    const bool quiet_;
    const bool terminal_;
    int done_ = 0;
    const Clock::time_point start_ = Clock::now();
};

} // namespace irisplit
