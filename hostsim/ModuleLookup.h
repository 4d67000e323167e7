// Where the hosts built here find the effect module ("IRX GL.so"). Installed,
// it lives in a folder of its own, lib/irisplit/, beside lib/frei0r-1/ (where
// frei0r hosts would load anything as a candidate plug-in), and the tool in
// bin/ reaches it as ../lib/irisplit/.
#pragma once

#include <string>

namespace hostsim {

// For the frei0r plug-in loaded from `pluginFile`: <plugin dir>/../irisplit/.
std::string ModuleForPlugin(const std::string& pluginFile);

// For the irisplit tool: `commandLinePath` when given; otherwise the first
// that exists of <exe dir>/../lib/irisplit/ and <exe dir>/; otherwise the
// module of the build tree the tool was built in.
std::string ModuleForTool(const std::string& commandLinePath);

} // namespace hostsim
