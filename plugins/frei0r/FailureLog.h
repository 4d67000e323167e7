// frei0r has no error channel: a failure reaches the user as one line on
// standard error, once per distinct failure rather than once per frame.
#pragma once

#include <stdexcept>
#include <string>

namespace irisplit_frei0r {

// A frame that cannot be rendered. `kind` names the failure without the
// details that change from frame to frame, so that it is reported once.
struct FrameFailure : std::runtime_error {
    FrameFailure(std::string kind_, const std::string& message) : std::runtime_error(message), kind(std::move(kind_)) {}
    std::string kind;
};

// Writes "irisplit: <message>" to standard error the first time `kind` fails
// in this process. Thread safe.
void ReportOnce(const std::string& kind, const std::string& message);

} // namespace irisplit_frei0r
