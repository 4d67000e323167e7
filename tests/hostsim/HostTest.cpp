// The simulator's own checks, which every effect test relies on to see a
// leak or a stray write: here they must see those of a misbehaving module.
#include "hostsim/HostSim.h"

#include <gtest/gtest.h>

namespace hostsim {
namespace {

TEST(HostSimulator, NoticesStrayWritesAndEverythingLeftBehind)
{
    Host host(FAKE_EFFECT_PATH);
    const FrameResult result = host.render(FrameRequest(World({PF_PixelFormat_ARGB32, 4, 3, 20})));
    EXPECT_FALSE(result.guardsIntact());
    EXPECT_EQ(result.leftovers.suites, (std::map<SuiteKey, int64_t>{{{"PF Handle Suite", 2}, 1}}));
    EXPECT_EQ(result.leftovers.handles, 1);
    EXPECT_EQ(result.leftovers.paramsCheckedOut, std::vector<int32_t>{2});
    EXPECT_TRUE(result.leftovers.inputPixelsCheckedOut);
    const Leftovers hostWide = host.leftovers();
    EXPECT_EQ(hostWide.handles, 1);
    EXPECT_EQ(hostWide.suites.size(), 1u);
}

} // namespace
} // namespace hostsim
