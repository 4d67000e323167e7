#include "EffectOutputRoute.h"

#include <iostream>
#include <streambuf>

namespace irisplit_frei0r {
namespace {

thread_local int effectCallDepth = 0;

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
        return target()->sputc(traits_type::to_char_type(c));
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override { return target()->sputn(text, count); }
    int sync() override { return target()->pubsync(); }

private:
    std::streambuf* target() const { return effectCallDepth > 0 ? std::cerr.rdbuf() : hostBuffer_; }

    std::streambuf* const hostBuffer_;
};

} // namespace

EffectOutputToStderr::EffectOutputToStderr() {
    // Restored by its destructor when the plug-in is unloaded or the process ends.
    static ThreadRoutedBuffer routed;
    ++effectCallDepth;
}

EffectOutputToStderr::~EffectOutputToStderr() { --effectCallDepth; }

} // namespace irisplit_frei0r
