#include "hostsim/HostSim.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

namespace hostsim {
namespace {

constexpr PF_Cmd kProbeSuite = 1000;
constexpr PF_Cmd kCountCalls = 1001;
enum Behaviour { kCopy = 1, kWritePastRows = 2, kLeak = 3 };

World Pattern(PF_PixelFormat format, int32_t width, int32_t height, int32_t extraRowBytes, int seed) {
    World world({format, width, height, int32_t(width * PixelSize(format)) + extraRowBytes});
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            world.set(x, y, {double((x + seed) % 200), double(y), double(x * y % 97), format == PF_PixelFormat_ARGB128 ? -1.5 : 7});
    return world;
}

class HostTest : public ::testing::Test {
protected:
    Host host{FAKE_EFFECT_PATH};

    // Acquire the named suite through the fake; returns {result, table handed out}.
    std::pair<int32_t, bool> Probe(const std::string& name, int32_t version, const Faults& faults = {}) {
        CommandSetup setup;
        setup.faults = faults;
        std::strcpy(setup.out.return_msg, name.c_str());
        setup.out.num_params = version;
        const CommandResult probed = host.call(kProbeSuite, setup);
        EXPECT_TRUE(probed.leftovers.clean()) << probed.leftovers.describe();
        return {probed.out.out_flags, probed.out.out_flags2 != 0};
    }

    void ExpectNothingLeft() {
        const Leftovers left = host.leftovers();
        EXPECT_TRUE(left.clean()) << left.describe();
    }
};

TEST_F(HostTest, ModuleFileAndRegistrationAreRead) {
    const std::vector<uint8_t>& pipl = host.pipl();
    EXPECT_EQ(std::string(pipl.begin(), pipl.end()), "FAKEPiPL");

    const Registration registration = host.registerEffect();
    EXPECT_EQ(registration.calls, 1);
    EXPECT_TRUE(registration.inPtrPassedOn);
    EXPECT_EQ(registration.matchName, "Fake Match");
    EXPECT_EQ(registration.kind, PF_FOUR_BYTES('T', 'K', 'F', 'e'));
    EXPECT_EQ(registration.apiVersionMinor, 15);
    EXPECT_EQ(registration.reservedInfo, 8);
    EXPECT_EQ(host.registerEffect(-7).result, -7);

    EXPECT_THROW(Host("/nonexistent/module.so"), ModuleLoadError);
}

TEST_F(HostTest, BasicSuiteHandsOutExactlyFourSuitesByNameAndVersion) {
    EXPECT_EQ(Probe("PF ANSI Suite", 1), std::make_pair(0, true));
    EXPECT_EQ(Probe("PF Handle Suite", 2), std::make_pair(0, true));
    EXPECT_EQ(Probe("PF World Suite", 2), std::make_pair(0, true));
    EXPECT_EQ(Probe("PF iterateFloat Suite", 1), std::make_pair(0, true));
    EXPECT_EQ(Probe("PF World Suite", 1), std::make_pair(kSuiteRefused, false));
    EXPECT_EQ(Probe("PF Handle Suite", 1), std::make_pair(kSuiteRefused, false));
    EXPECT_EQ(Probe("AEGP Layer Suite", 8), std::make_pair(kSuiteRefused, false));

    Faults refuse;
    refuse.refusedSuites = {{"PF World Suite", 2}};
    EXPECT_EQ(Probe("PF World Suite", 2, refuse), std::make_pair(kSuiteRefused, false));
    EXPECT_EQ(Probe("PF ANSI Suite", 1, refuse), std::make_pair(0, true));
    Faults empty;
    empty.nullSuites = {{"PF ANSI Suite", 1}};
    EXPECT_EQ(Probe("PF ANSI Suite", 1, empty), std::make_pair(0, false));
    ExpectNothingLeft();
}

TEST_F(HostTest, MissingBasicSuiteReachesTheEffect) {
    CommandSetup setup;
    setup.faults.noBasicSuite = true;
    EXPECT_EQ(host.about(setup).result, PF_Err_BAD_CALLBACK_PARAM);
    const CommandResult about = host.about();
    EXPECT_EQ(about.result, PF_Err_NONE);
    EXPECT_STREQ(about.out.return_msg, "Fake v1");
    EXPECT_EQ(about.log.texts(), (std::vector<std::string>{"AcquireSuite(PF ANSI Suite,1)=0", "ANSI.sprintf(%s v%d)=0",
                                                           "ReleaseSuite(PF ANSI Suite,1)=0"}));
}

TEST_F(HostTest, FramesCopyExactlyAtEveryDepthWithTheHostCallsInOrder) {
    for (PF_PixelFormat format : {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128}) {
        FrameRequest frame(Pattern(format, 7, 5, 12, 3), EffectValues{kCopy});
        frame.iterateThreads = 2;
        const FrameResult result = host.render(frame);
        ASSERT_EQ(result.result, PF_Err_NONE) << result.log.describe();
        EXPECT_TRUE(result.output.samePixels(frame.input));
        EXPECT_TRUE(result.guardsIntact()) << result.guardDamage;
        EXPECT_TRUE(result.inputUntouched);
        EXPECT_TRUE(result.leftovers.clean()) << result.leftovers.describe();
        EXPECT_TRUE(result.misuse.empty()) << result.misuse.front();
        EXPECT_EQ(result.paramCheckouts, (std::array<int, 6>{1, 1, 1, 1, 1, 1}));
        EXPECT_EQ(result.paramCheckins, result.paramCheckouts);

        const CallLog& log = result.log;
        EXPECT_EQ(log.indexOf("AcquireSuite", "PF World Suite,2"), 0);
        EXPECT_EQ(log.indexOf("checkout_layer_pixels"), 1);
        EXPECT_EQ(log.indexOf("checkout_output"), 2);
        EXPECT_EQ(log.indexOf("checkout_param", "5,0,1,30"), 8);
        EXPECT_EQ(log.indexOf("PF_GetPixelFormat", "input"), 9);
        EXPECT_LT(log.indexOf("PF_GetPixelFormat"), log.indexOf("abort"));
        EXPECT_EQ(log.count("checkin_param"), 6u);
        EXPECT_EQ(log.calls().back().text(), "ReleaseSuite(PF World Suite,2)=0");
        EXPECT_EQ(log.count(format == PF_PixelFormat_ARGB128 ? "iterate" : "host_new_handle"), 1u);
    }
    ExpectNothingLeft();
}

TEST_F(HostTest, StrayWritesAndLeaksAreReported) {
    FrameRequest frame(Pattern(PF_PixelFormat_ARGB32, 4, 3, 4, 0), EffectValues{kWritePastRows});
    EXPECT_FALSE(host.render(frame).guardsIntact());

    frame.values.channels = kLeak;
    const FrameResult leaky = host.render(frame);
    EXPECT_EQ(leaky.leftovers.suites.at({"PF World Suite", 2}), 1);
    EXPECT_EQ(leaky.leftovers.handles, 1);
    EXPECT_EQ(leaky.leftovers.paramsCheckedOut, std::vector<int32_t>{2});
    const Leftovers hostWide = host.leftovers();
    EXPECT_EQ(hostWide.handles, 1);
    EXPECT_EQ(hostWide.suites.size(), 1u);
}

TEST_F(HostTest, InjectedFaultsReachTheEffect) {
    const World input = Pattern(PF_PixelFormat_ARGB128, 3, 6, 0, 1);
    for (unsigned threads : {1u, 2u}) {
        FrameRequest frame(input, EffectValues{kCopy});
        frame.iterateThreads = int(threads);
        frame.faults.iterateError = 77;
        frame.faults.iterateRowsBeforeError = 2;
        const FrameResult partial = host.render(frame);
        EXPECT_EQ(partial.result, 77);
        for (int32_t y = 0; y < input.height(); ++y)
            EXPECT_EQ(partial.output.get(0, y), (y < 2 ? input.get(0, y) : std::array<double, 4>{})) << y;
    }

    FrameRequest frame(Pattern(PF_PixelFormat_ARGB64, 3, 2, 0, 1), EffectValues{kCopy});
    frame.faults.newHandleFails = true;
    EXPECT_EQ(host.render(frame).result, PF_Err_OUT_OF_MEMORY);
    frame.faults = Faults{};
    frame.faults.lockHandleFails = true;
    EXPECT_EQ(host.render(frame).result, PF_Err_OUT_OF_MEMORY);
    frame.faults = Faults{};
    frame.faults.failParamCheckoutIndex = 3;
    frame.faults.paramCheckoutError = 9;
    const FrameResult refused = host.render(frame);
    EXPECT_EQ(refused.result, 9);
    EXPECT_EQ(refused.log.named("checkout_param").back().text(), "checkout_param(3,0,1,30)=9");
    frame.faults = Faults{};
    frame.faults.abortCode = 21;
    EXPECT_EQ(host.render(frame).result, 21);
    ExpectNothingLeft();
}

TEST_F(HostTest, SequenceDataIsCountedAndNeverLeaked) {
    CommandSetup setup;
    setup.withSequenceData = true;
    EXPECT_TRUE(host.globalSetdown(setup).sequenceDataDisposed);
    EXPECT_FALSE(host.about(setup).sequenceDataDisposed);
    ExpectNothingLeft();
}

TEST_F(HostTest, ParameterSetupAndPreRenderAreRecorded) {
    CommandSetup setup;
    setup.faults.refuseAddParamCall = 2;
    const ParamsSetupResult params = host.paramsSetup(setup);
    EXPECT_EQ(params.result, PF_Err_BAD_CALLBACK_PARAM);
    ASSERT_EQ(params.added.size(), 2u);
    EXPECT_EQ(params.added[0].popupNames, "One|Two");
    EXPECT_EQ(params.added[0].index, -1);
    EXPECT_EQ(params.added[1].result, PF_Err_BAD_CALLBACK_PARAM);

    PreRenderRequest request = PreRenderRequest::WholeFrame(40, 30);
    request.request.rect = {5, 6, 20, 21};
    request.time.current_time = 12;
    const PreRenderResult pre = host.preRender(request);
    ASSERT_EQ(pre.checkouts.size(), 1u);
    EXPECT_EQ(pre.checkouts[0].request.rect.right, 20);
    EXPECT_EQ(pre.checkouts[0].what_time, 12);
    EXPECT_EQ(pre.output.result_rect.right, 40);
    EXPECT_TRUE(pre.misuse.empty());
}

TEST_F(HostTest, RenderThreadsKeepEachFrameApart) {
    std::vector<FrameRequest> frames;
    for (int i = 0; i < 24; ++i) {
        const PF_PixelFormat format = i % 3 == 0 ? PF_PixelFormat_ARGB32 : i % 3 == 1 ? PF_PixelFormat_ARGB64 : PF_PixelFormat_ARGB128;
        frames.emplace_back(Pattern(format, 5 + i % 4, 3 + i % 5, 4 * (i % 2), i), EffectValues{kCopy});
    }
    const std::vector<FrameResult> results = host.renderFrames(frames, 4);
    ASSERT_EQ(results.size(), frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(results[i].result, PF_Err_NONE) << i;
        EXPECT_TRUE(results[i].output.samePixels(frames[i].input)) << i;
        EXPECT_TRUE(results[i].leftovers.clean()) << i;
    }
    ExpectNothingLeft();

    auto failingMake = [&](size_t i) -> FrameRequest {
        if (i == 3) throw std::runtime_error("unreadable frame");
        return frames[i];
    };
    EXPECT_THROW(host.renderFrames(frames.size(), 3, failingMake, [](size_t, FrameResult&&) {}), std::runtime_error);
}

TEST_F(HostTest, UnloadAndReloadStartTheModuleAfresh) {
    host.about();
    host.about();
    EXPECT_EQ(host.call(kCountCalls).out.num_params, 3);
    host.unload();
    EXPECT_FALSE(host.loaded());
    EXPECT_THROW(host.about(), std::logic_error);
    host.load();
    EXPECT_EQ(host.call(kCountCalls).out.num_params, 1);
}

} // namespace
} // namespace hostsim
