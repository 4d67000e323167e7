// Holds a frame inside one of its host calls until the test lets it go, so
// that the test can act while the effect is in the middle of rendering.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

namespace stresstest {

class FrameHold {
public:
    explicit FrameHold(std::string call) : call_(std::move(call)) {}

    // The hook for CommandSetup::onHostCall; blocks the frame's thread at the
    // first `call` until release().
    std::function<void(const std::string&)> hook();

    // False when no frame reached the call within `limit` (the test fails
    // instead of hanging).
    bool waitUntilHeld(std::chrono::seconds limit);
    void release();

private:
    const std::string call_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    bool released_ = false;
};

} // namespace stresstest
