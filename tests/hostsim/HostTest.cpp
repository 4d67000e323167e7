// The simulator's own checks, which every effect test relies on to see a
// leak or a stray write: here they must see those of a misbehaving module,
// and cost nothing when off.
// Its parameter records must copy what it declared, by index, with the
// frame's value or else the declared default.
#include "hostsim/HostSim.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <tuple>

namespace hostsim {
namespace {

// What the loaded fake effect's export NAME returns: its notes of the last frame.
template <typename Note>
Note FakeEffectNote(const char* name)
{
    void* effect = dlopen(FAKE_EFFECT_PATH, RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(effect, nullptr);
    const Note note = effect ? reinterpret_cast<Note (*)()>(dlsym(effect, name))() : nullptr;
    if (effect) dlclose(effect);
    return note;
}

TEST(HostSimulator, NoticesStrayWritesAndEverythingLeftBehindAndHandsOutTheDeclaredControls)
{
    Host host(FAKE_EFFECT_PATH, {}, Checking::On);
    const World input({PF_PixelFormat_ARGB32, 4, 3, 20});
    // Before parameter setup no control can be given a value or checked out.
    EXPECT_EQ(host.render(FrameRequest(input, {{1, 30.0}})).misuse.size(), 1u + 3u + 2u);
    ASSERT_EQ(host.paramsSetup().result, PF_Err_NONE);

    const FrameResult result = host.render(FrameRequest(input, {{1, 30.0}, {3, 1.0}}));
    const std::string overrun = "handle of 16 bytes: written past its end at byte 16"; // reported last
    EXPECT_EQ(result.misuse, (std::vector<std::string>{"host_dispose_handle of a locked handle", overrun}));
    EXPECT_EQ(result.guardDamage, "input: 1 guard byte(s) overwritten: byte 17 from the first pixel; output: 1 guard "
                                  "byte(s) overwritten: byte 16 from the first pixel; " + overrun + "; ");
    EXPECT_FALSE(result.inputUntouched); // of the copy the effect was given
    EXPECT_EQ(result.leftovers.suites, (std::map<SuiteKey, int64_t>{{{"PF Handle Suite", 2}, 1}}));
    EXPECT_EQ(std::tie(result.leftovers.handles, result.leftovers.lockedHandles), std::make_tuple(1, 1));
    EXPECT_EQ(result.leftovers.paramsCheckedOut, std::vector<int32_t>{2});
    EXPECT_TRUE(result.leftovers.inputPixelsCheckedOut);
    const Leftovers hostWide = host.leftovers();
    EXPECT_EQ(std::tie(hostWide.handles, hostWide.lockedHandles), std::make_tuple(2, 2));
    EXPECT_EQ(hostWide.suites, (std::map<SuiteKey, int64_t>{{{"PF Handle Suite", 2}, 2}}));

    const PF_ParamDef* records = FakeEffectNote<const PF_ParamDef*>("CheckedOutParams");
    ASSERT_NE(records, nullptr);
    const PF_ParamDef &turn = records[1], &amount = records[2], &mode = records[3];
    EXPECT_EQ(std::tie(turn.param_type, turn.u.ad.value, turn.u.ad.dephault, turn.u.ad.valid_min, turn.u.ad.valid_max),
              std::make_tuple(PF_Param_ANGLE, 30 << 16, 45 << 16, -(90 << 16), 90 << 16));
    EXPECT_EQ(std::tie(amount.param_type, amount.u.fs_d.value, amount.u.fs_d.valid_max, amount.u.fs_d.precision),
              std::make_tuple(PF_Param_FLOAT_SLIDER, 2.5, 10.0f, int16_t(1)));
    EXPECT_EQ(std::tie(mode.param_type, mode.u.pd.value, mode.u.pd.num_choices, mode.u.pd.dephault),
              std::make_tuple(PF_Param_POPUP, 1, int16_t(2), int16_t(2)));
    EXPECT_STREQ(mode.u.pd.namesptr, "A|B");
}

TEST(HostSimulator, UncheckedRecordsNothingAndLendsTheCallersInput)
{
    Host host(FAKE_EFFECT_PATH);
    const FrameRequest request(World({PF_PixelFormat_ARGB32, 4, 3, 20}), {{1, 30.0}});
    const FrameResult result = host.render(request);
    EXPECT_TRUE(result.log.calls().empty() && result.misuse.empty() && result.guardsIntact() && result.inputUntouched);
    EXPECT_EQ(result.leftovers.handles, 1); // counted all the same
    EXPECT_EQ(FakeEffectNote<const void*>("InputPixels"), request.input.row(0));
}

} // namespace
} // namespace hostsim
