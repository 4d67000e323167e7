// What must hold after every command whatever the host handed over. A
// violation prints what went wrong and aborts, so the fuzzer sees a crash.
#pragma once

#include "hostsim/Commands.h"

#include <string>

namespace fuzz {

void Require(bool holds, const std::string& what);

// A clear host code, nothing left acquired, allocated or checked out, no
// misuse of the host, and the host's own context current again.
void CheckCommand(const char* command, const hostsim::CommandSetup& setup,
                  const hostsim::CommandResult& result, bool hostContextCurrent);

// Besides the command's checks: no guard byte hit, the input untouched,
// every checkout checked in, and no unusable frame reported as rendered.
void CheckFrame(const hostsim::FrameRequest& request, const hostsim::FrameResult& result,
                int32_t maxTextureSize);

} // namespace fuzz
