// What a host learns about the effect before any command: the registration
// call, the PiPL resource in the module file, and the exported symbols.
#include "LoadedEffect.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

TEST(Registration, PassesTheNineArgumentsOnceAndReturnsTheCallbacksAnswer)
{
    const hostsim::Registration reg = LoadedEffect().registerEffect();
    EXPECT_EQ(reg.result, PF_Err_NONE);
    EXPECT_EQ(reg.calls, 1);
    EXPECT_TRUE(reg.inPtrPassedOn);
    EXPECT_EQ((std::vector<std::string>{reg.name, reg.matchName, reg.category, reg.entryPointName}),
              (std::vector<std::string>{"Kaleon", "ADBE Kaleon", "Sample Plug-ins", "EffectMain"}));
    EXPECT_EQ((std::vector<int32_t>{reg.kind, reg.apiVersionMajor, reg.apiVersionMinor, reg.reservedInfo}),
              (std::vector<int32_t>{0x65464B54, 13, 15, 8}));
    EXPECT_EQ(LoadedEffect().registerEffect(37).result, 37);
}

struct ExpectedProperty {
    std::string key;      // as stored
    uint32_t length;      // as declared
    std::string data;     // the stored data with its padding
};

uint32_t ReadU32(const std::vector<uint8_t>& bytes, size_t at)
{
    return uint32_t(bytes.at(at)) | uint32_t(bytes.at(at + 1)) << 8 |
           uint32_t(bytes.at(at + 2)) << 16 | uint32_t(bytes.at(at + 3)) << 24;
}

std::string ReadText(const std::vector<uint8_t>& bytes, size_t at, size_t size)
{
    if (at + size > bytes.size()) {
        ADD_FAILURE() << "read past the resource at " << at;
        return {};
    }
    return std::string(bytes.begin() + at, bytes.begin() + at + size);
}

TEST(PiPL, ModuleFileCarriesTheTwelvePropertiesByteForByte)
{
    const std::vector<ExpectedProperty> expected = {
        {"dnik", 4, "TKFe"},
        {"eman", 16, "\x0c" "Irisplit 2.0\0\0\0"s},
        {"gtac", 12, "\x09" "Tessarine\0\0"s},
        {"4668", 12, "EffectMain\0\0"s},
        {"RVPe", 4, "\x02\0\0\0"s},
        {"RVSe", 4, "\x0d\0\x0f\0"s},
        {"REVe", 4, "\x01\0\x10\0"s},
        {"FNIe", 2, "\0\0\0\0"s},
        {"OLGe", 4, "\0\0\0\x02"s},
        {"2LGe", 4, "\0\x14\0\0"s},
        {"ANMe", 8, "\x07" "Vantrel"s},
        {"LFea", 4, "\x08\0\0\0"s},
    };
    const std::vector<uint8_t>& bytes = LoadedEffect().pipl();
    ASSERT_GE(bytes.size(), 10u);
    EXPECT_EQ(bytes[0] | bytes[1] << 8, 1);
    EXPECT_EQ(ReadU32(bytes, 2), 0u);
    ASSERT_EQ(ReadU32(bytes, 6), expected.size());

    // Records follow the 10-byte header directly; each is 4-aligned from the first.
    const size_t firstRecord = 10;
    size_t at = firstRecord;
    for (const ExpectedProperty& property : expected) {
        SCOPED_TRACE(property.key);
        EXPECT_EQ((at - firstRecord) % 4, 0u);
        EXPECT_EQ(ReadText(bytes, at, 4), "MIB8");
        EXPECT_EQ(ReadText(bytes, at + 4, 4), property.key);
        EXPECT_EQ(ReadU32(bytes, at + 8), 0u);
        const uint32_t length = ReadU32(bytes, at + 12);
        EXPECT_EQ(length, property.length);
        const size_t stored = (length + 3) / 4 * 4;
        EXPECT_EQ(ReadText(bytes, at + 16, stored), property.data);
        at += 16 + stored;
    }
    EXPECT_EQ(at, bytes.size());
}

TEST(Exports, OnlyTheTwoEntryPointsAreVisible)
{
    const std::string command = "nm -D --defined-only '" + LoadedEffect().modulePath() + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> symbols; // "type name"
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get()) != nullptr) {
        std::istringstream fields(line);
        std::string address, type, name;
        fields >> address >> type >> name;
        symbols.insert(type + " " + name);
    }
    EXPECT_EQ(pclose(pipe.release()), 0);
    EXPECT_EQ(symbols, (std::set<std::string>{"T EffectMain", "T PluginDataEntryFunction"}));
}

} // namespace
