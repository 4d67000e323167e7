#include "DiagnosticsRouting.h"

#include "Errors.h"

#include <cstdio>
#include <cstring>
#include <iostream>

#include <fcntl.h>
#include <unistd.h>

namespace irisplit {

DiagnosticsRouting::DiagnosticsRouting(bool quiet)
{
    std::cout.flush();
    std::fflush(stdout);
    savedOutput_ = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    const int target = quiet ? ::open("/dev/null", O_WRONLY | O_CLOEXEC) : STDERR_FILENO;
    if (savedOutput_ < 0 || target < 0 || ::dup2(target, STDOUT_FILENO) < 0) {
        const std::string reason = std::strerror(errno);
        for (int fd : {savedOutput_, quiet ? target : -1}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
        throw FileError("cannot set standard output aside for the effect's diagnostics: " + reason);
    }
    if (quiet) {
        ::close(target);
    }
    // The buffer owns the saved descriptor and closes it.
    userBuffer_ = std::make_unique<__gnu_cxx::stdio_filebuf<char>>(savedOutput_, std::ios::out);
    userOutput_.rdbuf(userBuffer_.get());
}

DiagnosticsRouting::~DiagnosticsRouting()
{
    std::cout.flush();
    std::fflush(stdout);
    userOutput_.flush();
    ::dup2(savedOutput_, STDOUT_FILENO);
    userOutput_.rdbuf(nullptr);
    userBuffer_.reset();
}

} // namespace irisplit
