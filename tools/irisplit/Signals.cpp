#include "Signals.h"

#include "hostsim/ThreadStart.h"

#include <cerrno>
#include <mutex>
#include <set>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace irisplit {
namespace {

// The temporary files that exist now. An interrupt takes the lock and never
// gives it back: no file is created or moved after the last one is removed.
struct Temporaries {
    std::mutex mutex;
    std::set<std::string> paths;
};

Temporaries& LiveTemporaries()
{
    static Temporaries temporaries;
    return temporaries;
}

// The interrupts the caller has not set to be ignored: nohup ignores SIGHUP,
// a shell ignores SIGINT in its background jobs, and those stay ignored.
sigset_t Interrupts()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) {
            sigaddset(&set, signal);
        }
    }
    return set;
}

// Removes the temporary files, then ends the process by the signal itself,
// so that the caller (a shell loop, make, xargs) sees an interrupted child.
[[noreturn]] void CleanUpAndDie(int signal)
{
    Temporaries& temporaries = LiveTemporaries();
    temporaries.mutex.lock();
    for (const std::string& path : temporaries.paths) {
        ::unlink(path.c_str());
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal); // pending: every thread blocks it
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::_exit(128 + signal); // not reached
}

} // namespace

SignalHandling::SignalHandling()
{
    previousPipe_ = std::signal(SIGPIPE, SIG_IGN);
    previousFileSize_ = std::signal(SIGXFSZ, SIG_IGN);
    const sigset_t interrupts = Interrupts();
    pthread_sigmask(SIG_BLOCK, &interrupts, &previousMask_);
    signalFd_ = ::signalfd(-1, &interrupts, SFD_CLOEXEC);
    stopFd_ = ::eventfd(0, EFD_CLOEXEC);
    if (signalFd_ < 0 || stopFd_ < 0) {
        return; // interrupts stay blocked until the destructor, then act as usual
    }
    try {
        waiter_ = hostsim::StartThread("the thread that waits for interrupts", [this] {
            pollfd fds[2] = {{signalFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
            while (::poll(fds, 2, -1) < 0 && errno == EINTR) {
            }
            signalfd_siginfo info{};
            if ((fds[0].revents & POLLIN) && ::read(signalFd_, &info, sizeof info) == ssize_t(sizeof info)) {
                CleanUpAndDie(int(info.ssi_signo));
            }
        });
    } catch (...) {
        restore();
        throw;
    }
}

SignalHandling::~SignalHandling()
{
    if (waiter_.joinable()) {
        const uint64_t stop = 1;
        (void)!::write(stopFd_, &stop, sizeof stop);
        waiter_.join();
    }
    restore();
}

void SignalHandling::restore()
{
    for (int fd : {signalFd_, stopFd_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    // An interrupt that comes once the work is done acts as it would without this handling.
    pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
    std::signal(SIGPIPE, previousPipe_);
    std::signal(SIGXFSZ, previousFileSize_);
}

TemporaryName::TemporaryName(std::string path) : path_(std::move(path))
{
    Temporaries& temporaries = LiveTemporaries();
    std::lock_guard<std::mutex> lock(temporaries.mutex);
    temporaries.paths.insert(path_); // first: it may throw
    file_ = Descriptor(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    created_ = file_.get() >= 0;
    if (!created_) {
        const int cause = errno;
        temporaries.paths.erase(path_);
        errno = cause;
    }
}

TemporaryName::~TemporaryName()
{
    Temporaries& temporaries = LiveTemporaries();
    std::lock_guard<std::mutex> lock(temporaries.mutex);
    if (!created_) {
        return; // not created, not registered
    }
    if (!committed_) {
        ::unlink(path_.c_str());
    }
    temporaries.paths.erase(path_);
}

void TemporaryName::commit(const std::function<void()>& moveIntoPlace)
{
    Temporaries& temporaries = LiveTemporaries();
    std::lock_guard<std::mutex> lock(temporaries.mutex);
    moveIntoPlace();
    committed_ = true;
}

} // namespace irisplit
