#include "ModuleLocation.h"

#include <filesystem>
#include <system_error>

namespace irisplit {

std::string LocateModule(const std::string& commandLinePath)
{
    if (!commandLinePath.empty()) {
        return commandLinePath;
    }
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const auto exeDir = executable.parent_path();
        for (const auto& candidate : {exeDir.parent_path() / "lib" / "irisplit" / IRX_MODULE_FILE_NAME,
                                      exeDir / IRX_MODULE_FILE_NAME}) {
            if (std::filesystem::exists(candidate, error)) {
                return candidate.string();
            }
        }
    }
    return IRX_BUILT_MODULE_PATH;
}

} // namespace irisplit
