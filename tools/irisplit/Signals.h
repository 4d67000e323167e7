// How irisplit meets signals: an interrupt (SIGINT, SIGTERM, SIGHUP) removes
// every temporary file and then ends the process by that same signal; frames
// already written stay. An interrupt the caller ignores (nohup, a shell's
// background job) stays ignored. A closed pipe (SIGPIPE) or a file size limit
// (SIGXFSZ) comes back as a failed write instead of ending the process.
#pragma once

#include "Descriptor.h"

#include <csignal>
#include <functional>
#include <string>
#include <thread>

namespace irisplit {

// Blocks the interrupts in this thread and every thread started after it and
// waits for them on a thread of its own. Construct it first in main(), before
// any other thread starts; the destructor puts every signal back as it was.
// Throws hostsim::ThreadStartError, with every signal as it was, when its
// thread cannot start.
class SignalHandling {
public:
    SignalHandling();
    ~SignalHandling();
    SignalHandling(const SignalHandling&) = delete;
    SignalHandling& operator=(const SignalHandling&) = delete;

private:
    void restore(); // the descriptors closed, every signal as it was

    sigset_t previousMask_{};
    void (*previousPipe_)(int) = SIG_DFL;
    void (*previousFileSize_)(int) = SIG_DFL;
    int signalFd_ = -1;
    int stopFd_ = -1;
    std::thread waiter_;
};

// A file the process writes under a name of its own for a while. An interrupt
// removes the file; so does the destructor, unless commit() has moved it into
// place.
class TemporaryName {
public:
    // Creates the file, new and empty, for writing, and registers it in one
    // step under the lock an interrupt takes: it is never there unregistered,
    // nor made once an interrupt has removed the others.
    explicit TemporaryName(std::string path);
    ~TemporaryName();
    TemporaryName(const TemporaryName&) = delete;
    TemporaryName& operator=(const TemporaryName&) = delete;

    const std::string& path() const { return path_; }
    // The created file, open for writing; its descriptor is -1, with errno
    // saying why, when it could not be created (nothing is then removed).
    Descriptor& file() { return file_; }
    // Runs `moveIntoPlace` (a rename away from path()) so that an interrupt
    // finds the file either still here, and removes it, or already moved.
    void commit(const std::function<void()>& moveIntoPlace);

private:
    std::string path_;
    Descriptor file_{-1};
    bool created_ = false;
    bool committed_ = false;
};

} // namespace irisplit
