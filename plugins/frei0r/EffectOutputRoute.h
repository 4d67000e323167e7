// The effect writes diagnostic lines (its OpenGL information block, shader
// logs, errors) on std::cout. Inside a frei0r host the process's standard
// output may carry the video itself (ffmpeg ... -f rawvideo -), so the
// plug-in, as the effect's host, sends those lines to standard error: while a
// thread runs the effect, its std::cout output goes to std::cerr's buffer.
// Every other thread's std::cout output is left as it was, so a host that
// writes on std::cout itself is not disturbed.
#pragma once

#include <string>

namespace irisplit_frei0r {

// Marks the calling thread as running the effect for its lifetime. The first
// one in the process puts the routing buffer into std::cout; it stays until
// the plug-in is unloaded.
class EffectOutputToStderr {
public:
    EffectOutputToStderr();
    ~EffectOutputToStderr();
    EffectOutputToStderr(const EffectOutputToStderr&) = delete;
    EffectOutputToStderr& operator=(const EffectOutputToStderr&) = delete;
};

// Keeps what threads running the effect write on std::cout, instead of
// sending it to standard error, from construction until take() or passOn()
// (or destruction, which drops it). Meant for a step during which the effect
// runs nothing else, such as global setup, which frames wait for. One at a
// time in the process.
class EffectOutputCapture {
public:
    EffectOutputCapture();
    ~EffectOutputCapture();
    EffectOutputCapture(const EffectOutputCapture&) = delete;
    EffectOutputCapture& operator=(const EffectOutputCapture&) = delete;

    // Ends the capture and returns what was kept.
    std::string take();
    // Ends the capture and writes what was kept to standard error.
    void passOn();
};

} // namespace irisplit_frei0r
