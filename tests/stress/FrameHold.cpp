#include "tests/stress/FrameHold.h"

namespace stresstest {

std::function<void(const std::string&)> FrameHold::hook()
{
    return [this](const std::string& call) {
        if (call != call_) {
            return;
        }
        std::unique_lock<std::mutex> lock(mutex_);
        if (held_) {
            return;
        }
        held_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_; });
    };
}

bool FrameHold::waitUntilHeld(std::chrono::seconds limit)
{
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return held_; });
}

void FrameHold::release()
{
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    changed_.notify_all();
}

} // namespace stresstest
