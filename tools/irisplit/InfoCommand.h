// `irisplit info`: everything the host learns about the effect.
#pragma once

#include <string>

namespace irisplit {

// Prints to standard output (the effect's own diagnostics to standard
// error); throws FileError or EffectError.
void RunInfo(const std::string& modulePath);

} // namespace irisplit
