// What a Windows host finds in "IRX GL.aex" before calling it: an export
// directory of that name with the two entry points at ordinals 1 and 2 and
// nothing else, imports of system DLLs only (the runtime is linked in), and
// the PiPL resource where a host looks for it (type "PIPL", id 16000,
// language 1033) holding the Linux module's bytes.
#include "hostsim/ModuleLoader.h"
#include "resources/PiPL.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr char kModuleFile[] = "IRX GL.aex";

// A data directory of the image as the loader mapped it.
template <typename Entry>
const Entry* MappedDirectory(HMODULE module, int directory)
{
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS64*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    return reinterpret_cast<const Entry*>(base + headers->OptionalHeader.DataDirectory[directory].VirtualAddress);
}

TEST(WindowsModuleFile, ExportsImportsAndPiplAreWhatAHostExpects)
{
    const HMODULE module = LoadLibraryA(kModuleFile);
    ASSERT_NE(module, nullptr) << "LoadLibraryA failed: " << GetLastError();
    const char* base = reinterpret_cast<const char*>(module);
    const auto* exports = MappedDirectory<IMAGE_EXPORT_DIRECTORY>(module, IMAGE_DIRECTORY_ENTRY_EXPORT);
    EXPECT_STREQ(base + exports->Name, kModuleFile);
    EXPECT_EQ(exports->Base, 1u);
    EXPECT_EQ(exports->NumberOfFunctions, 2u);
    EXPECT_EQ(exports->NumberOfNames, 2u);
    EXPECT_NE(GetProcAddress(module, "EffectMain"), nullptr);
    EXPECT_EQ(GetProcAddress(module, MAKEINTRESOURCEA(1)), GetProcAddress(module, "EffectMain"));
    EXPECT_EQ(GetProcAddress(module, MAKEINTRESOURCEA(2)), GetProcAddress(module, "PluginDataEntryFunction"));

    const std::set<std::string> systemDlls = {"kernel32.dll", "user32.dll", "gdi32.dll",
                                              "opengl32.dll", "msvcrt.dll", "advapi32.dll"};
    for (auto* import = MappedDirectory<IMAGE_IMPORT_DESCRIPTOR>(module, IMAGE_DIRECTORY_ENTRY_IMPORT);
         import->Name != 0; ++import) {
        std::string dll = base + import->Name;
        std::transform(dll.begin(), dll.end(), dll.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        EXPECT_EQ(systemDlls.count(dll), 1u) << dll << " is no system DLL";
    }
    FreeLibrary(module);
    EXPECT_EQ(hostsim::LoadedModule(kModuleFile).pipl(), std::vector<uint8_t>(pipl::kBytes.begin(), pipl::kBytes.end()));
}

} // namespace
