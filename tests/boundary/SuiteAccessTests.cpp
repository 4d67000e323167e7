// ScopedSuite where the loaded module cannot show it: a message longer than
// the field, a scope without out_data or without a basic suite. (SuiteHandler
// is seen in the render tests' host-call logs.)
#include "host/SuiteHandler.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The basic suite's functions carry no context, so the fake keeps its state here.
struct FakeHost {
    bool refuse = true;     // refuse the suite; otherwise succeed without a table
    int acquires = 0;
    int releases = 0;
};
FakeHost fake;

SPErr FakeAcquire(const char*, int32_t, const void** suite)
{
    ++fake.acquires;
    *suite = nullptr;
    return fake.refuse ? A_Err_MISSING_SUITE : 0;
}

SPErr FakeRelease(const char*, int32_t)
{
    ++fake.releases;
    return 0;
}

// Every refusal throws 13; the message (cut to the field, the host's other
// flags kept) is shown only when the host gave out_data; a table-less success
// is handed back.
TEST(ScopedSuite, RefusalShowsTheMessageWithinTheFieldAndKeepsTheOtherFlags)
{
    SPBasicSuite basicSuite{FakeAcquire, FakeRelease};
    PF_UtilCallbacks utils{};
    utils.ansi.sprintf = std::sprintf;
    PF_InData in{};
    in.utils = &utils;
    in.pica_basicP = &basicSuite;
    struct {
        PF_OutData out;
        char after[64];
    } guarded;
    std::memset(&guarded, 0x5A, sizeof guarded);
    const int32_t hostFlags = 0x02000005;
    guarded.out.out_flags = hostFlags;
    const auto thrownBy = [&](PF_OutData* out, const char* message) {
        try {
            ScopedSuite<PF_WorldSuite2> world(&in, kPFWorldSuite, kPFWorldSuiteVersion2, out, message);
        } catch (int& err) {
            return err;
        }
        return 0;
    };

    const std::string overlong(1000, 'm');
    EXPECT_EQ(thrownBy(&guarded.out, overlong.c_str()), A_Err_MISSING_SUITE);
    EXPECT_EQ(std::strlen(guarded.out.return_msg), size_t{PF_MAX_RETURN_MSG_LEN - 1});
    EXPECT_EQ(std::string(guarded.after, sizeof guarded.after), std::string(64, 0x5A));
    EXPECT_EQ(guarded.out.out_flags, hostFlags | PF_OutFlag_DISPLAY_ERROR_MESSAGE);

    EXPECT_EQ(thrownBy(nullptr, "unseen"), A_Err_MISSING_SUITE);
    fake.refuse = false;
    EXPECT_EQ(thrownBy(nullptr, "unseen"), A_Err_MISSING_SUITE);
    in.pica_basicP = nullptr;
    EXPECT_EQ(thrownBy(&guarded.out, kSuiteMissingMessage), A_Err_MISSING_SUITE);
    EXPECT_STREQ(guarded.out.return_msg, "Not able to acquire the World Suite.");
    EXPECT_EQ(fake.acquires, 3);
    EXPECT_EQ(fake.releases, 1);
}

} // namespace
