// Exit codes of irisplit and the exceptions that carry a failure to main().
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace irisplit {

enum ExitCode : int {
    kExitOk = 0,
    kExitInternal = 1, // anything unexpected (a bug)
    kExitUsage = 2,    // bad command line or option value
    kExitFile = 3,     // a file could not be read or written, the module not loaded, or the
                       // system has too little memory or cannot start a thread
    kExitEffect = 4    // the effect returned a host error code
};

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct FileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Too little memory for the work, found before it or during it.
struct OutOfMemory : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct EffectError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// "a, b, c": names listed in a message.
std::string Listed(const std::vector<std::string>& names);

// "<command> failed: host result code N" and the effect's message, if any.
EffectError EffectFailure(const std::string& command, int32_t code, const char* returnMsg,
                          size_t returnMsgSize);

} // namespace irisplit
