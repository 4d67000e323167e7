// Loads a Windows effect module the way the host does: by the Win32 loader,
// entry points by name, the PiPL from the module's resources.
#include "hostsim/ModuleLoader.h"

#include <windows.h>

#include <memory>
#include <type_traits>

namespace hostsim {
namespace {

// Where the host looks for the PiPL: type "PIPL", id 16000, English (United States).
constexpr WORD kPiPLResourceId = 16000;
constexpr WORD kPiPLLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

struct ModuleFree {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using ModuleOwner = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFree>;

std::vector<uint8_t> ReadPiPL(HMODULE module)
{
    HRSRC resource = FindResourceExA(module, "PIPL", MAKEINTRESOURCEA(kPiPLResourceId), kPiPLLanguage);
    if (resource == nullptr) {
        return {};
    }
    const DWORD size = SizeofResource(module, resource);
    HGLOBAL loaded = LoadResource(module, resource);
    const auto* bytes = static_cast<const uint8_t*>(loaded ? LockResource(loaded) : nullptr);
    if (bytes == nullptr) {
        return {};
    }
    return std::vector<uint8_t>(bytes, bytes + size);
}

template <typename Function>
Function EntryPoint(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

LoadedModule::LoadedModule(const std::string& path)
{
    ModuleOwner module(LoadLibraryA(path.c_str()));
    if (!module) {
        throw ModuleLoadError("cannot load " + path + ": Win32 error " + std::to_string(GetLastError()));
    }
    effectMain_ = EntryPoint<PF_EffectMainFunc>(module.get(), "EffectMain");
    pluginDataEntry_ = EntryPoint<PF_PluginDataEntryFunc>(module.get(), "PluginDataEntryFunction");
    if (!effectMain_ || !pluginDataEntry_) {
        throw ModuleLoadError(path + ": missing entry point EffectMain or PluginDataEntryFunction");
    }
    pipl_ = ReadPiPL(module.get());
    handle_ = module.release();
}

LoadedModule::~LoadedModule()
{
    FreeLibrary(static_cast<HMODULE>(handle_));
}

} // namespace hostsim
