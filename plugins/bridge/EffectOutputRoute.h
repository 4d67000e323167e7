// The effect writes diagnostic lines (its OpenGL information block, shader
// logs, errors) on std::cout. Inside a host the process's standard output may
// carry the video itself (ffmpeg ... -f rawvideo -), and the host's standard
// error is the user's log (an editor's terminal, a render job's log), so the
// plug-in, as the effect's host, keeps those lines out of both: while a
// thread runs the effect, its std::cout output is dropped, or goes to
// std::cerr's buffer when IRISPLIT_DIAGNOSTICS is set to anything but "" or
// "0". Every other thread's std::cout output is left as it was, so a host
// that writes on std::cout itself is not disturbed. Failures are reported
// apart from this (FailureLog.h), in any case.
#pragma once

#include <string>

namespace irisplit_bridge {

// Whether IRISPLIT_DIAGNOSTICS asks for the effect's diagnostics.
bool DiagnosticsWanted();

// Marks the calling thread as running the effect for its lifetime. The first
// one in the process puts the routing buffer into std::cout; it stays until
// the plug-in is unloaded.
class EffectOutputRoute {
public:
    EffectOutputRoute();
    ~EffectOutputRoute();
    EffectOutputRoute(const EffectOutputRoute&) = delete;
    EffectOutputRoute& operator=(const EffectOutputRoute&) = delete;
};

// Keeps what threads running the effect write on std::cout, instead of
// routing it, from construction until take() or passOn() (or destruction,
// which drops it). Meant for a step during which the effect runs nothing
// else, such as global setup, which frames wait for. One at a time in the
// process.
class EffectOutputCapture {
public:
    EffectOutputCapture();
    ~EffectOutputCapture();
    EffectOutputCapture(const EffectOutputCapture&) = delete;
    EffectOutputCapture& operator=(const EffectOutputCapture&) = delete;

    // Ends the capture and returns what was kept.
    std::string take();
    // Ends the capture and routes what was kept as any other effect output.
    void passOn();
};

} // namespace irisplit_bridge
