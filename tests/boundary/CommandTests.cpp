// Commands through EffectMain on the loaded module: dispatch, about,
// parameter setup and smart pre-render, and hosts that lack what they need.
#include "LoadedEffect.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using hostsim::CommandSetup;

const hostsim::SuiteKey kANSI{"PF ANSI Suite", 1};

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
    PF_InData in{};
    PF_OutData out{};
    const auto run = [&](PF_Cmd cmd, PF_InData* i, PF_OutData* o) {
        return module.effectMain()(cmd, i, o, nullptr, nullptr, nullptr); // the extra record is missing too
    };
    for (PF_Err result : {run(PF_Cmd_ABOUT, nullptr, &out), run(PF_Cmd_GLOBAL_SETUP, &in, nullptr),
                          run(PF_Cmd_GLOBAL_SETDOWN, nullptr, &out), run(PF_Cmd_PARAMS_SETUP, &in, nullptr),
                          run(PF_Cmd_SMART_PRE_RENDER, &in, &out), run(PF_Cmd_SMART_RENDER, &in, &out)}) {
        EXPECT_EQ(result, PF_Err_BAD_CALLBACK_PARAM);
    }
}

TEST(About, TextNamesTheEffectItsVersionAndTheMaker)
{
    const hostsim::CommandResult result = LoadedEffect().about();
    ASSERT_EQ(result.result, PF_Err_NONE);
    const std::string text = result.out.return_msg;
    const std::string head = "Irisplit v2.0\rSeparates color channels and transforms them independantly.\n";
    EXPECT_EQ(text.rfind(head + "Written by ", 0), 0u) << text; // then two lines naming the maker
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(result.log.texts(),
              (std::vector<std::string>{"AcquireSuite(PF ANSI Suite,1)=0", "ANSI.sprintf(%s v%d.%d\r%s)=0",
                                        "ReleaseSuite(PF ANSI Suite,1)=0"}));
    EXPECT_TRUE(LeftNothingBehind(result));
}

hostsim::Faults Lacking(std::vector<std::string> functions)
{
    hostsim::Faults faults;
    faults.missingFunctions = std::move(functions);
    return faults;
}

// A host without a suite or function a command needs gets 516, with nothing
// done: no message, no control added, nothing left acquired.
TEST(HostWithoutWhatACommandNeeds, GetsABadCallbackParameterAndNothingDone)
{
    hostsim::Faults noBasic, noANSI, emptyANSI;
    noBasic.noBasicSuite = true;
    noANSI.refusedSuites = {kANSI};
    emptyANSI.nullSuites = {kANSI};
    const struct {
        const char* name;
        PF_Cmd cmd;
        hostsim::Faults faults;
    } cases[] = {
        {"about, no basic suite", PF_Cmd_ABOUT, noBasic},
        {"about, ANSI suite refused", PF_Cmd_ABOUT, noANSI},
        {"about, ANSI suite without a table", PF_Cmd_ABOUT, emptyANSI},
        {"about, ANSI sprintf", PF_Cmd_ABOUT, Lacking({"ANSI.sprintf"})},
        {"parameter setup, utils", PF_Cmd_PARAMS_SETUP, Lacking({"utils"})},
        {"parameter setup, strcpy", PF_Cmd_PARAMS_SETUP, Lacking({"utils.ansi.strcpy"})},
        {"parameter setup, add_param", PF_Cmd_PARAMS_SETUP, Lacking({"inter.add_param"})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CommandSetup setup;
        setup.out = Prefilled();
        setup.faults = c.faults;
        const hostsim::CommandResult result = c.cmd == PF_Cmd_ABOUT
                                                  ? LoadedEffect().about(setup)
                                                  : LoadedEffect().paramsSetup(setup);
        EXPECT_EQ(result.result, PF_Err_BAD_CALLBACK_PARAM);
        EXPECT_EQ(std::memcmp(&result.out, &setup.out, sizeof setup.out), 0);
        EXPECT_EQ(result.log.count("add_param"), 0u);
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

using Corners = std::array<int32_t, 4>;

Corners CornersOf(const PF_LRect& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

// The input is checked out once, for exactly the request at the frame's time;
// the output rectangles grow to hold what the checkout covers (each merged on
// its own, so the cases give them different ones); a refused checkout leaves
// them as they were.
TEST(PreRender, ChecksOutTheRequestAndGrowsTheOutputToHoldTheInput)
{
    const struct {
        const char* name;
        PF_LRect preset, checkedOut, expected;
        PF_Err checkoutError = PF_Err_NONE;
    } cases[] = {
        {"empty preset takes the input", kEmpty, {2, 3, 50, 40}, {2, 3, 50, 40}},
        {"empty preset takes even an empty input", {5, 5, 5, 9}, {7, 1, 3, 9}, {7, 1, 3, 9}},
        {"union of both", {0, 0, 10, 10}, {5, -5, 20, 8}, {0, -5, 20, 10}},
        {"input inside preset", {-10, -10, 100, 100}, {0, 0, 10, 10}, {-10, -10, 100, 100}},
        {"empty input leaves the preset", {1, 2, 30, 40}, {9, 9, 9, 50}, {1, 2, 30, 40}},
        {"refused checkout", {1, 1, 2, 2}, {0, 0, 9, 9}, {1, 1, 2, 2}, 321},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        hostsim::PreRenderRequest request = hostsim::PreRenderRequest::WholeFrame(64, 48);
        request.request.rect = {8, 4, 24, 20};
        request.request.field = 2;
        request.request.channel_mask = 0x5;
        request.request.preserve_rgb_of_zero_alpha = 1;
        request.time = {120, 2, 25};
        request.presetResultRect = c.preset;
        request.inputCheckout.result_rect = c.checkedOut;
        request.presetMaxResultRect = kEmpty;
        request.inputCheckout.max_result_rect = c.preset;
        request.faults.checkoutLayerError = c.checkoutError;
        const hostsim::PreRenderResult result = LoadedEffect().preRender(request);
        EXPECT_EQ(result.result, c.checkoutError);
        EXPECT_EQ(CornersOf(result.output.result_rect), CornersOf(c.expected));
        EXPECT_EQ(CornersOf(result.output.max_result_rect), CornersOf(c.checkoutError ? kEmpty : c.preset));
        ASSERT_EQ(result.checkouts.size(), 1u);
        const hostsim::LayerCheckout& checkout = result.checkouts[0];
        EXPECT_EQ((Corners{checkout.index, checkout.checkout_id, checkout.what_time, checkout.time_step}),
                  (Corners{0, 0, 120, 2}));
        EXPECT_EQ(checkout.time_scale, 25u);
        EXPECT_EQ(std::memcmp(&checkout.request, &request.request, sizeof request.request), 0);
        EXPECT_TRUE(LeftNothingBehind(result));
    }
}

} // namespace
