#include "hostsim/ElfSection.h"
#include "hostsim/ModuleLoader.h"
#include "resources/PiPLSection.h"

#include <dlfcn.h>

namespace hostsim {
namespace {

std::string LastDlError() {
    const char* error = dlerror();
    return error ? error : "unknown error";
}

} // namespace

LoadedModule::LoadedModule(const std::string& path) {
    try {
        pipl_ = ReadElfSection(path, kPiPLSectionName).value_or(std::vector<uint8_t>{});
    } catch (const std::runtime_error& error) {
        throw ModuleLoadError(error.what());
    }
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) throw ModuleLoadError("cannot load " + path + ": " + LastDlError());
    effectMain_ = reinterpret_cast<PF_EffectMainFunc>(dlsym(handle_, "EffectMain"));
    pluginDataEntry_ = reinterpret_cast<PF_PluginDataEntryFunc>(dlsym(handle_, "PluginDataEntryFunction"));
    if (!effectMain_ || !pluginDataEntry_) {
        dlclose(handle_);
        throw ModuleLoadError(path + ": missing entry point EffectMain or PluginDataEntryFunction");
    }
}

LoadedModule::~LoadedModule() { dlclose(handle_); }

} // namespace hostsim
