// Neither frei0r nor an MLT filter has an error channel: a failure reaches
// the user as one line on standard error, once per distinct failure rather
// than once per frame, whatever diagnostics are asked for.
#pragma once

#include <stdexcept>
#include <string>

namespace irisplit_bridge {

// A frame that cannot be rendered. `kind` names the failure without the
// details that change from frame to frame, so that it is reported once.
struct FrameFailure : std::runtime_error {
    FrameFailure(std::string kind_, const std::string& message) : std::runtime_error(message), kind(std::move(kind_)) {}
    std::string kind;
};

// An effect that cannot be used: `e` with `why` (what the effect wrote while
// failing, if anything) joined into one line.
FrameFailure UnusableEffect(const std::exception& e, const std::string& why = "");

// Writes "irisplit: <message>" to standard error the first time `kind` fails
// in this process. Thread safe.
void ReportOnce(const std::string& kind, const std::string& message);

// Reports the exception being handled as "<what> failed: <reason><then>",
// once per distinct text; out of memory is said so. A FrameFailure is
// reported as it is.
void ReportCurrentException(const std::string& what, const std::string& then = "");

} // namespace irisplit_bridge
