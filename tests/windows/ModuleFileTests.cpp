// What a Windows host finds in "IRX GL.aex" before calling it: the two entry
// points by name and by ordinal, and the PiPL resource.
#include "hostsim/ModuleLoader.h"
#include "resources/PiPL.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr char kModuleFile[] = "IRX GL.aex";

class Win32Module {
public:
    explicit Win32Module(const char* file) : module_(LoadLibraryA(file)) {}
    ~Win32Module()
    {
        if (module_ != nullptr) {
            FreeLibrary(module_);
        }
    }
    Win32Module(const Win32Module&) = delete;
    Win32Module& operator=(const Win32Module&) = delete;

    HMODULE get() const { return module_; }
    FARPROC byName(const char* name) const { return GetProcAddress(module_, name); }
    FARPROC byOrdinal(WORD ordinal) const { return GetProcAddress(module_, MAKEINTRESOURCEA(ordinal)); }

private:
    HMODULE module_;
};

TEST(WindowsExports, OrdinalsOneAndTwoAreTheTwoEntryPoints)
{
    const Win32Module module(kModuleFile);
    ASSERT_NE(module.get(), nullptr) << "LoadLibraryA failed: " << GetLastError();
    ASSERT_NE(module.byName("EffectMain"), nullptr);
    ASSERT_NE(module.byName("PluginDataEntryFunction"), nullptr);
    EXPECT_EQ(module.byOrdinal(1), module.byName("EffectMain"));
    EXPECT_EQ(module.byOrdinal(2), module.byName("PluginDataEntryFunction"));
    EXPECT_EQ(module.byOrdinal(3), nullptr);
}

uint32_t U32At(const std::vector<uint8_t>& bytes, size_t at)
{
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

std::string TextAt(const std::vector<uint8_t>& bytes, size_t at, size_t size)
{
    return std::string(bytes.begin() + at, bytes.begin() + at + size);
}

// Found the way the host finds it (type "PIPL", id 16000, language 1033), the
// resource is the generated description unchanged and walks as 12 records.
TEST(WindowsPiPL, ResourceIsTheGeneratedListAndParses)
{
    const hostsim::LoadedModule module(kModuleFile);
    const std::vector<uint8_t>& bytes = module.pipl();
    ASSERT_FALSE(bytes.empty()) << "no PIPL resource 16000 in language 1033";
    EXPECT_EQ(bytes, std::vector<uint8_t>(pipl::kBytes.begin(), pipl::kBytes.end()));

    ASSERT_GE(bytes.size(), 10u);
    ASSERT_EQ(U32At(bytes, 6), 12u);
    size_t at = 10;
    std::vector<std::string> keys;
    std::vector<uint32_t> lengths;
    for (int record = 0; record < 12; ++record) {
        ASSERT_LE(at + 16, bytes.size()) << "record " << record;
        EXPECT_EQ((at - 10) % 4, 0u);
        EXPECT_EQ(TextAt(bytes, at, 4), "MIB8");
        keys.push_back(TextAt(bytes, at + 4, 4));
        const uint32_t length = U32At(bytes, at + 12);
        lengths.push_back(length);
        ASSERT_LE(at + 16 + length, bytes.size()) << keys.back();
        if (keys.back() == "4668") {
            EXPECT_EQ(TextAt(bytes, at + 16, length), std::string("EffectMain\0\0", 12));
        }
        at += 16 + (length + 3) / 4 * 4;
    }
    EXPECT_EQ(at, bytes.size());
    EXPECT_EQ(keys.at(7), "FNIe"); // the info flags, the one unpadded length
    EXPECT_EQ(lengths.at(7), 2u);
}

} // namespace
