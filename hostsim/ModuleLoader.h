// The platform seam of the simulator: load an effect module, find its two
// entry points and its PiPL bytes, unload it again.
#pragma once

#include "host/HostTypes.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace hostsim {

struct ModuleLoadError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class LoadedModule {
public:
    // Loads the module and resolves both entry points; throws ModuleLoadError.
    explicit LoadedModule(const std::string& path);
    ~LoadedModule(); // unloads
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    PF_EffectMainFunc effectMain() const { return effectMain_; }
    PF_PluginDataEntryFunc pluginDataEntry() const { return pluginDataEntry_; }
    // The PiPL resource as stored in the module file; empty when it has none.
    const std::vector<uint8_t>& pipl() const { return pipl_; }

private:
    void* handle_ = nullptr;
    PF_EffectMainFunc effectMain_ = nullptr;
    PF_PluginDataEntryFunc pluginDataEntry_ = nullptr;
    std::vector<uint8_t> pipl_;
};

} // namespace hostsim
