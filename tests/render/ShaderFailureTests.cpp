// A module whose offset program does not compile: every frame prints the
// logs, fails with 4 and draws nothing, and each tries the build again.
#include "tests/render/RenderTestSupport.h"

namespace rendertest {
namespace {

TEST(ShaderFailure, FramesFailUndrawnAndBuildAgain)
{
    hostsim::Host effect(IRX_REJECTED_SHADER_MODULE);
    ASSERT_EQ(effect.globalSetup().result, PF_Err_NONE);
    ASSERT_EQ(effect.paramsSetup().result, PF_Err_NONE);
    std::mt19937 random(5);
    const hostsim::FrameRequest request(NoiseWorld(PF_PixelFormat_ARGB32, 9, 5, 0, random),
                                        IrisplitValues(1, 2.0, 0.0, 100.0, 0.0));
    for (int frame = 0; frame < 2; ++frame) {
        testing::internal::CaptureStdout();
        const auto result = effect.render(request);
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(result.result, PF_Err_OUT_OF_MEMORY) << "frame " << frame;
        EXPECT_TRUE(EverythingReturned(result));
        EXPECT_TRUE(result.output.samePixels(hostsim::World(result.output.shape()))) << "frame " << frame << " drawn";
        EXPECT_NE(printed.find("ERROR::SHADER::PROGRAM_LINKING_FAILED"), std::string::npos)
            << "frame " << frame << " did not build the program: " << printed;
    }
}

} // namespace
} // namespace rendertest
