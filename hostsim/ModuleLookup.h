// Where the hosts built here find the effect module ("IRX GL.so"). Installed,
// it lives in a folder of its own, lib/irisplit/, apart from the plug-ins'
// folders (where frei0r and MLT would load anything as a candidate plug-in),
// and the tool in bin/ reaches it as ../lib/irisplit/.
#pragma once

#include <string>

namespace hostsim {

// `relativePath` from the folder of the file `pluginFile` really is
// (symbolic links followed).
std::string BesidePlugin(const std::string& pluginFile, const std::string& relativePath);

// For a plug-in loaded from `pluginFile`: in `moduleFromPlugin`, relative to
// the folder of the file the plug-in really is (symbolic links followed).
std::string ModuleForPlugin(const std::string& pluginFile, const std::string& moduleFromPlugin);

// For the irisplit tool: `commandLinePath` when given; otherwise the first
// that exists of <exe dir>/../lib/irisplit/ and <exe dir>/; otherwise the
// module of the build tree the tool was built in.
std::string ModuleForTool(const std::string& commandLinePath);

} // namespace hostsim
