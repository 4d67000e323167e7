// irisplit refuses bad input with its exit code and a message naming the
// problem, and never leaves an output file behind.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tooltest {
namespace {

constexpr int kUsage = 2;
constexpr int kFile = 3;
constexpr int kEffect = 4;

class ToolErrors : public ::testing::Test {
protected:
    void SetUp() override { WritePicture(folder.path("in.png"), MakePicture(6, 5, 3, OIIO::TypeDesc::UINT8, 0, 255)); }

    // Runs, expects the exit code and every text in the output, and no new file.
    void ExpectRefused(const std::vector<std::string>& arguments, int exitCode,
                       const std::vector<std::string>& texts)
    {
        const RunResult run = RunIrisplit(arguments);
        EXPECT_EQ(run.exitCode, exitCode) << run.output;
        for (const std::string& text : texts) {
            EXPECT_NE(run.output.find(text), std::string::npos) << "missing '" << text << "' in:\n" << run.output;
        }
        EXPECT_EQ(folder.files(), (std::vector<std::string>{"in.png"}));
    }

    ScratchFolder folder;
};

TEST_F(ToolErrors, BadOptionsAreUsageErrorsNamingTheOption)
{
    const std::string in = folder.path("in.png");
    const std::string out = folder.path("out.png");
    ExpectRefused({"render", in, out, "--blur", "1000.5"}, kUsage, {"--blur", "0 to 1000"});
    ExpectRefused({"render", in, out, "--position", "1:0,9:-2001"}, kUsage, {"--position", "-2000 to 2000"});
    ExpectRefused({"render", in, out, "--scale", "1:5,1:6"}, kUsage, {"--scale", "frame 1 has two keyframes"});
    ExpectRefused({"render", in, out, "--rotation", "quarter"}, kUsage, {"--rotation", "'quarter' is not a number"});
    ExpectRefused({"render", in, out, "--channels", "red-alpha"}, kUsage, {"--channels", "red-blue, red-green, green-blue"});
    ExpectRefused({"render", in, out, "--depth", "12"}, kUsage, {"--depth"});
    ExpectRefused({"render", in, out, "--downsample", "1/0"}, kUsage, {"--downsample"});
    ExpectRefused({"render", in, out, "--sharpen", "2"}, kUsage, {"--sharpen"});
    ExpectRefused({"render", in}, kUsage, {"OUT"});
    ExpectRefused({"render", in, folder.path("out.%04d.png")}, kUsage, {"--frames"});
    ExpectRefused({"render", in, out, "--frames", "1-3"}, kUsage, {"--frames 1-3"});
}

TEST_F(ToolErrors, MissingInputIsAFileErrorNamingIt)
{
    ExpectRefused({"render", folder.path("absent.png"), folder.path("out.png")}, kFile, {folder.path("absent.png")});
}

TEST_F(ToolErrors, UnwritableOutputIsAFileErrorAndLeavesNoPartialFile)
{
    ExpectRefused({"render", folder.path("in.png"), folder.path("no/such/folder/out.png")}, kFile,
                  {folder.path("no/such/folder/out.png")});
    // The frame renders and is written, but cannot take the place of a folder.
    std::filesystem::create_directory(folder.path("taken.png"));
    const RunResult run = RunIrisplit({"render", folder.path("in.png"), folder.path("taken.png"), "--quiet"});
    EXPECT_EQ(run.exitCode, kFile) << run.output;
    EXPECT_NE(run.output.find(folder.path("taken.png")), std::string::npos) << run.output;
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"in.png", "taken.png"}));
    EXPECT_TRUE(std::filesystem::is_empty(folder.path("taken.png")));
}

TEST_F(ToolErrors, MissingFrameStopsTheSequenceThere)
{
    std::filesystem::copy_file(folder.path("in.png"), folder.path("seq.1.png"));
    std::filesystem::copy_file(folder.path("in.png"), folder.path("seq.3.png"));
    const RunResult run = RunIrisplit(
        {"render", folder.path("seq.#.png"), folder.path("out.#.png"), "--frames", "1-3", "--threads", "1"});
    EXPECT_EQ(run.exitCode, kFile) << run.output;
    EXPECT_NE(run.output.find(folder.path("seq.2.png")), std::string::npos) << run.output;
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"in.png", "out.1.png", "seq.1.png", "seq.3.png"}));
}

TEST_F(ToolErrors, EffectErrorReportsTheHostResultCodeAndTheEffectsMessage)
{
    ExpectRefused({"render", folder.path("in.png"), folder.path("out.png"), "--module", FAILING_EFFECT_PATH},
                  kEffect, {"global setup", "host result code 13", "no graphics context here"});
}

TEST_F(ToolErrors, UnloadableModuleIsAFileError)
{
    ExpectRefused({"info", "--module", folder.path("in.png")}, kFile, {"cannot load the effect module"});
}

} // namespace
} // namespace tooltest
