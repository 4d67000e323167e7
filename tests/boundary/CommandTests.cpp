// Commands through EffectMain on the loaded module: dispatch, about,
// parameter setup and smart pre-render.
#include "LoadedEffect.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using hostsim::CommandSetup;
using hostsim::SuiteKey;

const SuiteKey kANSI{"PF ANSI Suite", 1};

// out_data as a host might hand it over: every byte set, none of it zero.
PF_OutData Prefilled()
{
    PF_OutData out;
    std::memset(&out, 0xA5, sizeof out);
    std::strcpy(out.return_msg, "left by the host");
    return out;
}

TEST(Dispatch, UnhandledSelectorsReturnZeroAndTouchNothing)
{
    std::vector<PF_Cmd> selectors = {2, 25, static_cast<PF_Cmd>(0xFFFFFFFFu), INT32_MIN};
    for (PF_Cmd cmd = 5; cmd <= 22; ++cmd) {
        selectors.push_back(cmd);
    }
    CommandSetup setup;
    setup.out = Prefilled();
    for (PF_Cmd cmd : selectors) {
        SCOPED_TRACE(cmd);
        const hostsim::CommandResult result = LoadedEffect().call(cmd, setup);
        EXPECT_EQ(result.result, PF_Err_NONE);
        EXPECT_EQ(std::memcmp(&result.out, &setup.out, sizeof setup.out), 0);
        EXPECT_TRUE(result.log.calls().empty()) << result.log.describe();
    }
}

TEST(Dispatch, MissingRecordsAreABadCallbackParameter)
{
    const hostsim::LoadedModule module(IRX_MODULE_FILE);
    const PF_EffectMainFunc effectMain = module.effectMain();
    PF_InData in_data{};
    PF_OutData out_data{};
    EXPECT_EQ(effectMain(PF_Cmd_ABOUT, nullptr, &out_data, nullptr, nullptr, nullptr),
              PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(effectMain(PF_Cmd_PARAMS_SETUP, &in_data, nullptr, nullptr, nullptr, nullptr),
              PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(effectMain(PF_Cmd_SMART_PRE_RENDER, &in_data, &out_data, nullptr, nullptr, nullptr),
              PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(effectMain(PF_Cmd_SMART_RENDER, &in_data, &out_data, nullptr, nullptr, nullptr),
              PF_Err_BAD_CALLBACK_PARAM);
}

TEST(Dispatch, MessageWrittenBeforeAThrownCodeReachesTheHost)
{
    hostsim::FrameRequest frame(hostsim::World({PF_PixelFormat_ARGB32, 4, 4, std::nullopt}));
    frame.faults.refusedSuites.push_back({"PF World Suite", 2});
    const hostsim::FrameResult result = LoadedEffect().render(frame);
    EXPECT_EQ(result.result, A_Err_MISSING_SUITE);
    EXPECT_STREQ(result.out.return_msg, "Not able to acquire AEFX Suite.");
    EXPECT_TRUE(result.out.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE);
    EXPECT_TRUE(LeftNothingBehind(result));
}

TEST(About, TextNamesTheEffectItsVersionAndTheMaker)
{
    const hostsim::CommandResult result = LoadedEffect().about();
    ASSERT_EQ(result.result, PF_Err_NONE);
    const std::string text = result.out.return_msg;
    const std::string head = "Irisplit v2.0\r"
                             "Separates color channels and transforms them independantly.\n";
    ASSERT_EQ(text.substr(0, head.size()), head);

    // Two more lines naming the maker, each ended by a line feed.
    const std::string maker = text.substr(head.size());
    const size_t firstEnd = maker.find('\n');
    ASSERT_NE(firstEnd, std::string::npos);
    EXPECT_GT(firstEnd, 0u);
    EXPECT_GT(maker.size(), firstEnd + 2);
    EXPECT_EQ(maker.find('\n', firstEnd + 1), maker.size() - 1);
    EXPECT_EQ(maker.find('\r'), std::string::npos);
    EXPECT_LE(text.size() + 1, size_t{PF_MAX_RETURN_MSG_LEN});

    EXPECT_EQ(result.log.count("AcquireSuite"), 1u);
    EXPECT_EQ(result.log.indexOf("AcquireSuite", "PF ANSI Suite,1"), 0);
    EXPECT_TRUE(LeftNothingBehind(result));
}

TEST(About, WithoutBasicOrANSISuiteFailsAndLeavesTheMessageAlone)
{
    CommandSetup noBasic;
    noBasic.out = Prefilled();
    noBasic.faults.noBasicSuite = true;
    CommandSetup noANSI = noBasic;
    noANSI.faults.noBasicSuite = false;
    noANSI.faults.refusedSuites.push_back(kANSI);
    CommandSetup emptyANSI = noANSI;
    emptyANSI.faults.refusedSuites.clear();
    emptyANSI.faults.nullSuites.push_back(kANSI);

    for (const CommandSetup& setup : {noBasic, noANSI, emptyANSI}) {
        const hostsim::CommandResult result = LoadedEffect().about(setup);
        EXPECT_EQ(result.result, PF_Err_BAD_CALLBACK_PARAM);
        EXPECT_EQ(std::memcmp(&result.out, &setup.out, sizeof setup.out), 0);
        EXPECT_TRUE(LeftNothingBehind(result));
    }
}

// A definition as the effect must hand it over: zero but for what is given.
PF_ParamDef Definition(PF_ParamType type, int32_t id, const char* name)
{
    PF_ParamDef def;
    std::memset(&def, 0, sizeof def);
    def.param_type = type;
    def.uu.id = id;
    std::strcpy(def.name, name);
    return def;
}

PF_ParamDef Slider(int32_t id, const char* name, float value, float validMin, float validMax,
                   float sliderMin, float sliderMax)
{
    PF_ParamDef def = Definition(PF_Param_FLOAT_SLIDER, id, name);
    def.u.fs_d = {value, validMin, validMax, sliderMin, sliderMax, value, 2, 0, 0, 0.05f, {}};
    return def;
}

// Field by field, leaving out the alignment gap before the union.
bool SameDefinition(const PF_ParamDef& a, const PF_ParamDef& b)
{
    const size_t head = offsetof(PF_ParamDef, flags) + sizeof a.flags;
    return std::memcmp(&a, &b, head) == 0 && std::memcmp(&a.u, &b.u, sizeof a.u) == 0;
}

TEST(ParamsSetup, DeclaresTheFiveControlsInOrder)
{
    CommandSetup setup;
    setup.out.num_params = 1;
    const hostsim::ParamsSetupResult result = LoadedEffect().paramsSetup(setup);
    ASSERT_EQ(result.result, PF_Err_NONE);
    EXPECT_EQ(result.out.num_params, 6);
    ASSERT_EQ(result.added.size(), 5u);

    PF_ParamDef channels = Definition(PF_Param_POPUP, 1, "Channels");
    channels.u.pd = {1, 3, 1, result.added[0].def.u.pd.namesptr};
    EXPECT_EQ(result.added[0].popupNames, "Red & Blue|Red & Green|Green & Blue");
    const PF_ParamDef expected[] = {
        channels,
        Slider(2, "Position", 0.5f, -2000, 2000, -500, 500),
        Definition(PF_Param_ANGLE, 3, "Rotation"),
        Slider(4, "Scale", 100, -1000, 1000, -1000, 1000),
        Slider(5, "Blur", 0, 0, 1000, 0, 100),
    };
    for (size_t i = 0; i < result.added.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(result.added[i].index, -1);
        EXPECT_TRUE(SameDefinition(result.added[i].def, expected[i]));
    }
    EXPECT_EQ(result.log.count("AcquireSuite"), 0u);
    EXPECT_TRUE(LeftNothingBehind(result));
}

TEST(ParamsSetup, RefusedControlEndsSetupWithTheHostsCode)
{
    CommandSetup setup;
    setup.out.num_params = 1;
    setup.faults.refuseAddParamCall = 3;
    setup.faults.addParamError = 99;
    const hostsim::ParamsSetupResult result = LoadedEffect().paramsSetup(setup);
    EXPECT_EQ(result.result, 99);
    ASSERT_EQ(result.added.size(), 3u);
    EXPECT_EQ(result.added[2].def.uu.id, 3);
    EXPECT_EQ(result.out.num_params, 1);
    EXPECT_TRUE(LeftNothingBehind(result));
}

constexpr PF_LRect kEmpty{0, 0, 0, 0};

struct UnionCase {
    const char* name;
    PF_LRect preset;
    PF_LRect checkedOut;
    PF_LRect expected;
};

using Corners = std::array<int32_t, 4>;

Corners CornersOf(const PF_LRect& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

TEST(PreRender, OutputRectanglesGrowToHoldTheInputs)
{
    const UnionCase cases[] = {
        {"empty preset takes the input", kEmpty, {2, 3, 50, 40}, {2, 3, 50, 40}},
        {"empty preset takes even an empty input", {5, 5, 5, 9}, {7, 1, 3, 9}, {7, 1, 3, 9}},
        {"union of both", {0, 0, 10, 10}, {5, -5, 20, 8}, {0, -5, 20, 10}},
        {"input inside preset", {-10, -10, 100, 100}, {0, 0, 10, 10}, {-10, -10, 100, 100}},
        {"empty input leaves the preset", {1, 2, 30, 40}, {9, 9, 9, 50}, {1, 2, 30, 40}},
    };
    for (const UnionCase& c : cases) {
        SCOPED_TRACE(c.name);
        hostsim::PreRenderRequest request = hostsim::PreRenderRequest::WholeFrame(64, 48);
        // The two rectangles are merged independently: give them different cases.
        request.presetResultRect = c.preset;
        request.inputCheckout.result_rect = c.checkedOut;
        request.presetMaxResultRect = kEmpty;
        request.inputCheckout.max_result_rect = c.preset;
        const hostsim::PreRenderResult result = LoadedEffect().preRender(request);
        ASSERT_EQ(result.result, PF_Err_NONE);
        EXPECT_EQ(CornersOf(result.output.result_rect), CornersOf(c.expected));
        EXPECT_EQ(CornersOf(result.output.max_result_rect), CornersOf(c.preset));
        EXPECT_TRUE(LeftNothingBehind(result));
    }
}

TEST(PreRender, ChecksOutTheInputForExactlyTheRequest)
{
    hostsim::PreRenderRequest request = hostsim::PreRenderRequest::WholeFrame(64, 48);
    request.request.rect = {8, 4, 24, 20};
    request.request.field = 2;
    request.request.channel_mask = 0x5;
    request.request.preserve_rgb_of_zero_alpha = 1;
    request.time = {120, 2, 25};
    const hostsim::PreRenderResult result = LoadedEffect().preRender(request);
    ASSERT_EQ(result.result, PF_Err_NONE);
    ASSERT_EQ(result.checkouts.size(), 1u);
    const hostsim::LayerCheckout& checkout = result.checkouts[0];
    EXPECT_EQ(checkout.index, 0);
    EXPECT_EQ(checkout.checkout_id, 0);
    EXPECT_EQ(std::memcmp(&checkout.request, &request.request, sizeof request.request), 0);
    EXPECT_EQ(checkout.what_time, 120);
    EXPECT_EQ(checkout.time_step, 2);
    EXPECT_EQ(checkout.time_scale, 25u);
}

TEST(PreRender, FailedCheckoutIsReturnedWithTheRectanglesUntouched)
{
    hostsim::PreRenderRequest request = hostsim::PreRenderRequest::WholeFrame(64, 48);
    request.presetResultRect = {1, 1, 2, 2};
    request.presetMaxResultRect = kEmpty;
    request.faults.checkoutLayerError = 321;
    const hostsim::PreRenderResult result = LoadedEffect().preRender(request);
    EXPECT_EQ(result.result, 321);
    EXPECT_EQ(CornersOf(result.output.result_rect), CornersOf(request.presetResultRect));
    EXPECT_EQ(CornersOf(result.output.max_result_rect), CornersOf(kEmpty));
    EXPECT_TRUE(LeftNothingBehind(result));
}

} // namespace
