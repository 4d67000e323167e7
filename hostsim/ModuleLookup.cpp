#include "hostsim/ModuleLookup.h"

#include <filesystem>
#include <system_error>

namespace hostsim {
namespace {

namespace fs = std::filesystem;

const fs::path kModuleFolder = fs::path("lib") / "irisplit";

} // namespace

std::string ModuleForPlugin(const std::string& pluginFile) {
    const fs::path pluginDir = fs::path(pluginFile).parent_path();
    return (pluginDir / ".." / "irisplit" / IRX_MODULE_FILE_NAME).lexically_normal().string();
}

std::string ModuleForTool(const std::string& commandLinePath) {
    if (!commandLinePath.empty()) return commandLinePath;
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path exeDir = executable.parent_path();
        for (const fs::path& candidate : {exeDir / ".." / kModuleFolder / IRX_MODULE_FILE_NAME,
                                          exeDir / IRX_MODULE_FILE_NAME}) {
            if (fs::exists(candidate, error)) return candidate.lexically_normal().string();
        }
    }
    return IRX_BUILT_MODULE_PATH;
}

} // namespace hostsim
