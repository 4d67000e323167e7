// Collects what the process writes to standard output while it lives, for
// reading lines the loaded module prints (its context information block).
#pragma once

#include <string>

class StdoutCapture {
public:
    StdoutCapture();  // throws std::runtime_error when stdout cannot be redirected
    ~StdoutCapture(); // puts stdout back
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // Everything written so far.
    std::string text() const;

private:
    int savedStdout_ = -1;
    int captureFile_ = -1;
};

// The text after `label` on the first line of `text` that starts with it, or "".
std::string LineValue(const std::string& text, const std::string& label);
