#include "hostsim/ModuleLookup.h"

#include <filesystem>
#include <system_error>

namespace hostsim {
namespace {

namespace fs = std::filesystem;

} // namespace

std::string BesidePlugin(const std::string& pluginFile, const std::string& relativePath) {
    // A plug-in linked into a host's folder belongs with its real file's neighbours.
    std::error_code error;
    fs::path realFile = fs::canonical(pluginFile, error);
    if (error) realFile = pluginFile;
    return (realFile.parent_path() / relativePath).lexically_normal().string();
}

std::string ModuleForPlugin(const std::string& pluginFile, const std::string& moduleFromPlugin) {
    return BesidePlugin(pluginFile, (fs::path(moduleFromPlugin) / IRX_MODULE_FILE_NAME).string());
}

std::string ModuleForTool(const std::string& commandLinePath) {
    if (!commandLinePath.empty()) return commandLinePath;
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path exeDir = executable.parent_path();
        for (const fs::path& candidate : {exeDir / IRX_MODULE_FROM_TOOL / IRX_MODULE_FILE_NAME,
                                          exeDir / IRX_MODULE_FILE_NAME}) {
            if (fs::exists(candidate, error)) return candidate.lexically_normal().string();
        }
    }
    return IRX_BUILT_MODULE_PATH;
}

} // namespace hostsim
