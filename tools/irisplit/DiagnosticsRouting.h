// Standard output belongs to the user. The effect module prints its
// diagnostics (context information, OpenGL faults) on standard output; the
// host decides where they go: while a DiagnosticsRouting lives, file
// descriptor 1 leads to standard error, or nowhere when quiet, and what
// irisplit itself has to say on standard output goes through userOutput().
#pragma once

#include <ext/stdio_filebuf.h>

#include <memory>
#include <ostream>

namespace irisplit {

class DiagnosticsRouting {
public:
    explicit DiagnosticsRouting(bool quiet);
    ~DiagnosticsRouting(); // standard output as it was
    DiagnosticsRouting(const DiagnosticsRouting&) = delete;
    DiagnosticsRouting& operator=(const DiagnosticsRouting&) = delete;

    std::ostream& userOutput() { return userOutput_; }

private:
    int savedOutput_ = -1; // the user's standard output
    std::unique_ptr<__gnu_cxx::stdio_filebuf<char>> userBuffer_;
    std::ostream userOutput_{nullptr};
};

} // namespace irisplit
