// Where irisplit finds the effect module.
#pragma once

#include <string>

namespace irisplit {

// The module named on the command line; otherwise "IRX GL.so" in
// <executable's folder>/../lib/irisplit/ (an installed layout), then next to
// the executable; otherwise the module of the build tree irisplit was built in.
std::string LocateModule(const std::string& commandLinePath);

} // namespace irisplit
