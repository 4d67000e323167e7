// SuiteHandler and ScopedSuite against a recording basic suite.
#include "host/SuiteHandler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using SuiteId = std::pair<std::string, int32_t>;

// The basic suite's functions carry no context, so the fake keeps its state here.
struct FakeHost {
    std::vector<SuiteId> acquires;
    std::vector<SuiteId> releases;
    std::set<SuiteId> refused;
    std::set<SuiteId> emptyHanded; // success without a table
    int table = 0;                 // what a successful acquire hands out
};
FakeHost fake;

SPErr FakeAcquire(const char* name, int32_t version, const void** suite)
{
    const SuiteId id{name, version};
    fake.acquires.push_back(id);
    if (fake.refused.count(id) != 0) {
        return A_Err_MISSING_SUITE;
    }
    *suite = fake.emptyHanded.count(id) != 0 ? nullptr : &fake.table;
    return 0;
}

SPErr FakeRelease(const char* name, int32_t version)
{
    fake.releases.emplace_back(name, version);
    return 0;
}

int FakeSprintf(char* buffer, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int written = std::vsprintf(buffer, format, args);
    va_end(args);
    return written;
}

SPBasicSuite basicSuite{FakeAcquire, FakeRelease};

const SuiteId kANSI{"PF ANSI Suite", 1};
const SuiteId kHandle{"PF Handle Suite", 2};
const SuiteId kIterateFloat{"PF iterateFloat Suite", 1};
const SuiteId kWorld{"PF World Suite", 2};

// The code a body throws as a host result; 0 when it throws nothing.
template <typename Body>
int ThrownBy(Body body)
{
    try {
        body();
    } catch (int& err) {
        return err;
    }
    return 0;
}

class SuiteAccess : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake = FakeHost{};
        utils.ansi.sprintf = FakeSprintf;
        in_data.utils = &utils;
        in_data.pica_basicP = &basicSuite;
        std::memset(&guarded, 0x5A, sizeof guarded);
    }

    int ThrownByWorldScope(PF_OutData* out_data, const char* message = kSuiteMissingMessage)
    {
        return ThrownBy([&] {
            ScopedSuite<PF_WorldSuite2> world(&in_data, kPFWorldSuite, kPFWorldSuiteVersion2,
                                              out_data, message);
        });
    }

    bool GuardIntact() const
    {
        for (char byte : guarded.after) {
            if (byte != 0x5A) {
                return false;
            }
        }
        return true;
    }

    PF_UtilCallbacks utils{};
    PF_InData in_data{};
    struct {
        PF_OutData out;
        char after[64];
    } guarded;
};

TEST_F(SuiteAccess, EachSuiteIsAcquiredOnFirstUseAndReleasedOnceInTableOrder)
{
    {
        SuiteHandler suites(&basicSuite);
        EXPECT_EQ(suites.IterateFloatSuite1(), static_cast<const void*>(&fake.table));
        suites.ANSICallbacksSuite1();
        suites.IterateFloatSuite1();
        suites.HandleSuite1();
        suites.ANSICallbacksSuite1();
        EXPECT_EQ(fake.acquires, (std::vector<SuiteId>{kIterateFloat, kANSI, kHandle}));
        EXPECT_TRUE(fake.releases.empty());
    }
    EXPECT_EQ(fake.releases, (std::vector<SuiteId>{kANSI, kHandle, kIterateFloat}));
}

TEST_F(SuiteAccess, MissingSuitesAreABadCallbackParameterAndLeaveNothingAcquired)
{
    EXPECT_EQ(ThrownBy([] { SuiteHandler suites(nullptr); }), PF_Err_BAD_CALLBACK_PARAM);
    fake.refused.insert(kHandle);
    fake.emptyHanded.insert(kIterateFloat);
    const auto useSuites = [](auto accessor) {
        return ThrownBy([&] {
            SuiteHandler suites(&basicSuite);
            suites.ANSICallbacksSuite1();
            (suites.*accessor)();
        });
    };
    EXPECT_EQ(useSuites(&SuiteHandler::HandleSuite1), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(useSuites(&SuiteHandler::IterateFloatSuite1), PF_Err_BAD_CALLBACK_PARAM);
    // Every successful acquire, the table-less one included, went back.
    std::vector<SuiteId> granted;
    for (const SuiteId& id : fake.acquires) {
        if (fake.refused.count(id) == 0) {
            granted.push_back(id);
        }
    }
    std::sort(granted.begin(), granted.end());
    std::sort(fake.releases.begin(), fake.releases.end());
    EXPECT_EQ(fake.releases, granted);
}

TEST_F(SuiteAccess, ScopedSuiteHoldsItsSuiteForTheScope)
{
    {
        ScopedSuite<PF_WorldSuite2> world(&in_data, kPFWorldSuite, kPFWorldSuiteVersion2,
                                          &guarded.out, kSuiteMissingMessage);
        EXPECT_EQ(world.get(), static_cast<const void*>(&fake.table));
        EXPECT_TRUE(fake.releases.empty());
    }
    EXPECT_EQ(fake.acquires, (std::vector<SuiteId>{kWorld}));
    EXPECT_EQ(fake.releases, (std::vector<SuiteId>{kWorld}));
}

TEST_F(SuiteAccess, RefusedScopedSuiteShowsItsMessageWithinReturnMsg)
{
    fake.refused.insert(kWorld);
    guarded.out.out_flags = 0;
    EXPECT_EQ(ThrownByWorldScope(&guarded.out), A_Err_MISSING_SUITE);
    EXPECT_STREQ(guarded.out.return_msg, "Not able to acquire AEFX Suite.");
    EXPECT_EQ(guarded.out.out_flags, PF_OutFlag_DISPLAY_ERROR_MESSAGE);

    const std::string overlong(1000, 'm');
    EXPECT_EQ(ThrownByWorldScope(&guarded.out, overlong.c_str()), A_Err_MISSING_SUITE);
    EXPECT_EQ(std::strlen(guarded.out.return_msg), size_t{PF_MAX_RETURN_MSG_LEN - 1});
    EXPECT_TRUE(GuardIntact());
    EXPECT_TRUE(fake.releases.empty());
}

TEST_F(SuiteAccess, ScopedSuiteFailuresWithoutAMessageOrATableStayBalanced)
{
    fake.refused.insert(kWorld);
    EXPECT_EQ(ThrownByWorldScope(nullptr), A_Err_MISSING_SUITE);
    fake.refused.clear();
    fake.emptyHanded.insert(kWorld);
    EXPECT_EQ(ThrownByWorldScope(nullptr), A_Err_MISSING_SUITE);
    EXPECT_EQ(fake.releases, (std::vector<SuiteId>{kWorld}));
    in_data.pica_basicP = nullptr;
    EXPECT_EQ(ThrownByWorldScope(nullptr), A_Err_MISSING_SUITE);
    EXPECT_EQ(fake.acquires.size(), 2u);
}

} // namespace
