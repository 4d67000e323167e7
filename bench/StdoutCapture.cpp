#include "StdoutCapture.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

StdoutCapture::StdoutCapture()
{
    std::fflush(stdout);
    char path[] = "/tmp/irx-bench-stdout-XXXXXX";
    captureFile_ = mkstemp(path);
    if (captureFile_ < 0) {
        throw std::runtime_error("cannot create a file to capture standard output");
    }
    unlink(path);
    savedStdout_ = dup(STDOUT_FILENO);
    if (savedStdout_ < 0 || dup2(captureFile_, STDOUT_FILENO) < 0) {
        if (savedStdout_ >= 0) {
            close(savedStdout_);
        }
        close(captureFile_);
        throw std::runtime_error("cannot redirect standard output");
    }
}

StdoutCapture::~StdoutCapture()
{
    std::fflush(stdout);
    dup2(savedStdout_, STDOUT_FILENO);
    close(savedStdout_);
    close(captureFile_);
}

std::string StdoutCapture::text() const
{
    std::fflush(stdout);
    std::string text;
    char buffer[4096];
    for (off_t at = 0;;) {
        const ssize_t got = pread(captureFile_, buffer, sizeof buffer, at);
        if (got <= 0) {
            return text;
        }
        text.append(buffer, static_cast<size_t>(got));
        at += got;
    }
}

std::string LineValue(const std::string& text, const std::string& label)
{
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.compare(0, label.size(), label) == 0) {
            const size_t start = line.find_first_not_of(' ', label.size());
            return start == std::string::npos ? "" : line.substr(start);
        }
    }
    return "";
}
