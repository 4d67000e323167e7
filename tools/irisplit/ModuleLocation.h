// Where irisplit finds the effect module.
#pragma once

#include <string>

namespace irisplit {

// The module named on the command line; otherwise "IRX GL.so" next to the
// irisplit executable (an installed layout); otherwise the module of the
// build tree irisplit was built in.
std::string LocateModule(const std::string& commandLinePath);

} // namespace irisplit
