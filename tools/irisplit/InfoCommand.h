// `irisplit info`: everything the host learns about the effect.
#pragma once

#include <string>

namespace irisplit {

// Prints to standard output; throws FileError or EffectError.
void RunInfo(const std::string& modulePath);

} // namespace irisplit
