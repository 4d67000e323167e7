#include "EffectOutputRoute.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>
#include <optional>
#include <streambuf>

namespace irisplit_bridge {
namespace {

thread_local int effectCallDepth = 0;

// Where the effect's output goes when no capture runs: standard error's
// buffer, or nowhere.
std::streamsize Route(const char* text, std::streamsize count) {
    return DiagnosticsWanted() ? std::cerr.rdbuf()->sputn(text, count) : count;
}

// The effect's output while a capture runs. Its own mutex, rather than a
// pointer to the capture, so that no writer can outlive what it writes into.
std::mutex captureMutex;
std::optional<std::string> captured;

// Unbuffered: every character goes straight on to the buffer of the thread's
// choice, which does its own buffering and locking.
class ThreadRoutedBuffer : public std::streambuf {
public:
    ThreadRoutedBuffer() : hostBuffer_(std::cout.rdbuf()) { std::cout.rdbuf(this); }
    ~ThreadRoutedBuffer() override {
        if (std::cout.rdbuf() == this) std::cout.rdbuf(hostBuffer_);
    }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char_type character = traits_type::to_char_type(c);
        return xsputn(&character, 1) == 1 ? c : traits_type::eof();
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        if (effectCallDepth == 0) return hostBuffer_->sputn(text, count);
        const std::lock_guard<std::mutex> lock(captureMutex);
        if (!captured) return Route(text, count);
        captured->append(text, size_t(count));
        return count;
    }
    int sync() override {
        if (effectCallDepth == 0) return hostBuffer_->pubsync();
        const std::lock_guard<std::mutex> lock(captureMutex);
        return captured || !DiagnosticsWanted() ? 0 : std::cerr.rdbuf()->pubsync();
    }

private:
    std::streambuf* const hostBuffer_;
};

} // namespace

bool DiagnosticsWanted() {
    static const bool wanted = [] {
        const char* value = std::getenv("IRISPLIT_DIAGNOSTICS");
        return value && *value && std::strcmp(value, "0") != 0;
    }();
    return wanted;
}

EffectOutputRoute::EffectOutputRoute() {
    // Restored by its destructor when the plug-in is unloaded or the process ends.
    static ThreadRoutedBuffer routed;
    ++effectCallDepth;
}

EffectOutputRoute::~EffectOutputRoute() { --effectCallDepth; }

EffectOutputCapture::EffectOutputCapture() {
    const std::lock_guard<std::mutex> lock(captureMutex);
    captured.emplace();
}

EffectOutputCapture::~EffectOutputCapture() { take(); }

std::string EffectOutputCapture::take() {
    const std::lock_guard<std::mutex> lock(captureMutex);
    std::string text = captured ? std::move(*captured) : std::string();
    captured.reset();
    return text;
}

void EffectOutputCapture::passOn() {
    const std::string text = take();
    if (!DiagnosticsWanted()) return;
    std::cerr.write(text.data(), std::streamsize(text.size())).flush();
}

} // namespace irisplit_bridge
