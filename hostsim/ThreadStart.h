// Starting a thread can fail: the system's limit on threads (ulimit -u) or on
// address space (ulimit -v, each thread's stack) refuses it. std::thread then
// throws std::system_error, which says nothing of what was being started.
#pragma once

#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace hostsim {

// A thread that could not be started; what() names it and the system's reason.
struct ThreadStartError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// `body` on a new thread; `what` names the thread ("a render thread").
template <typename Body> std::thread StartThread(const std::string& what, Body&& body) {
    try {
        return std::thread(std::forward<Body>(body));
    } catch (const std::system_error& e) {
        throw ThreadStartError("cannot start " + what + ": " + e.code().message() +
                               " (the system's limit on threads or memory)");
    }
}

} // namespace hostsim
