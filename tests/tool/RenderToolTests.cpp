// irisplit renders files: identity settings give the input back, and
// keyframed sequences match the CPU model frame by frame.
#include "ToolTestSupport.h"

#include "tests/model/CpuModel.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tooltest {
namespace {

const std::vector<std::string> kIdentity = {"--position", "0", "--rotation", "0", "--scale", "100",
                                            "--blur", "0", "--quiet"};

std::vector<std::string> Arguments(std::vector<std::string> head, const std::vector<std::string>& tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// Largest difference between two pictures of the same layout.
double LargestDifference(const Picture& a, const Picture& b)
{
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    EXPECT_EQ(a.channels, b.channels);
    EXPECT_EQ(a.format, b.format);
    if (a.samples.size() != b.samples.size()) {
        return INFINITY;
    }
    double largest = 0.0;
    for (size_t i = 0; i < a.samples.size(); ++i) {
        largest = std::max(largest, double(std::fabs(a.samples[i] - b.samples[i])));
    }
    return largest;
}

TEST(RenderTool, IdentityKeepsEightBitPngWithUnassociatedAlphaExactly)
{
    ScratchFolder folder;
    Picture input = MakePicture(23, 17, 4, OIIO::TypeDesc::UINT8, 0, 255);
    input.at(3, 4, 3) = 0; // colour under zero alpha must survive: no premultiplication
    input.at(3, 4, 0) = 200;
    WritePicture(folder.path("in.png"), input);

    // The file's own depth, and host worlds of the two other depths.
    for (const char* depth : {"", "16", "32"}) {
        SCOPED_TRACE(std::string("depth ") + depth);
        std::vector<std::string> arguments = Arguments({"render", folder.path("in.png"), folder.path("out.png")}, kIdentity);
        if (*depth) {
            arguments.insert(arguments.end(), {"--depth", depth});
        }
        const RunResult run = RunIrisplit(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        EXPECT_EQ(LargestDifference(ReadPicture(folder.path("out.png")), input), 0.0);
    }
}

// The float path keeps values outside 0..1 bit for bit: no clamping, no half
// floats, no premultiplication.
TEST(RenderTool, IdentityKeepsFloatExrBeyondZeroToOneExactly)
{
    ScratchFolder folder;
    const Picture input = MakePicture(19, 13, 4, OIIO::TypeDesc::FLOAT, -2.5f, 7.25f);
    WritePicture(folder.path("in.exr"), input);

    const RunResult run = RunIrisplit(Arguments({"render", folder.path("in.exr"), folder.path("out.exr")}, kIdentity));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const Picture output = ReadPicture(folder.path("out.exr"));
    EXPECT_EQ(output.format, OIIO::TypeDesc::FLOAT);
    EXPECT_EQ(LargestDifference(output, input), 0.0);
}

TEST(RenderTool, IdentityKeepsSixteenBitPngWithinOne)
{
    ScratchFolder folder;
    Picture input = MakePicture(21, 11, 3, OIIO::TypeDesc::UINT16, 0, 65535);
    input.at(0, 0, 0) = 65535; // white must stay white
    input.at(1, 0, 1) = 1;
    WritePicture(folder.path("in.png"), input);

    const RunResult run = RunIrisplit(Arguments({"render", folder.path("in.png"), folder.path("out.png")}, kIdentity));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const Picture output = ReadPicture(folder.path("out.png"));
    EXPECT_LE(LargestDifference(output, input), 1.0);
    EXPECT_EQ(output.at(0, 0, 0), 65535.0f);
}

// The host world an 8-bit RGB picture becomes: opaque, samples unchanged.
hostsim::World WorldOf(const Picture& picture)
{
    hostsim::World world(hostsim::WorldShape{PF_PixelFormat_ARGB32, picture.width, picture.height, {}});
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            world.set(x, y, {255.0, picture.at(x, y, 0), picture.at(x, y, 1), picture.at(x, y, 2)});
        }
    }
    return world;
}

TEST(RenderTool, KeyframedPositionMovesEachFrameOfASequenceAsTheModelSays)
{
    ScratchFolder folder;
    const Picture input = MakePicture(40, 24, 3, OIIO::TypeDesc::UINT8, 0, 255);
    for (int frame = 1; frame <= 5; ++frame) {
        WritePicture(folder.path("in." + std::to_string(frame) + ".png"), input);
    }
    // Position 0 at frame 1 to 8 at frame 5: 2 pixels more on every frame.
    const RunResult run = RunIrisplit({"render", folder.path("in.%d.png"), folder.path("out.####.png"),
                                       "--frames", "1-5", "--position", "5:8,1:0", "--channels",
                                       "green-blue", "--threads", "2"});
    ASSERT_EQ(run.exitCode, 0) << run.output;

    const hostsim::World world = WorldOf(input);
    for (int frame = 1; frame <= 5; ++frame) {
        SCOPED_TRACE("frame " + std::to_string(frame));
        hostsim::EffectValues values;
        values.channels = 3;
        values.position = 2.0 * (frame - 1);
        const cpumodel::Image expected = cpumodel::ExpectedImage(world, cpumodel::FromHostValues(values, {1, 1}));
        const hostsim::World rendered = WorldOf(ReadPicture(folder.path("out.000" + std::to_string(frame) + ".png")));
        const cpumodel::Comparison comparison =
            cpumodel::CompareWorld(expected, rendered, cpumodel::DefaultTolerance(PF_PixelFormat_ARGB32));
        EXPECT_TRUE(comparison.matches()) << comparison.describe();
    }
}

TEST(RenderTool, PlainProgressLinesNameEveryFrameWhenNotOnATerminal)
{
    ScratchFolder folder;
    WritePicture(folder.path("still.png"), MakePicture(8, 8, 3, OIIO::TypeDesc::UINT8, 0, 255));
    const RunResult run = RunIrisplit({"render", folder.path("still.png"), folder.path("out.%02d.png"),
                                       "--frames", "3-4", "--blur", "3:0,4:2"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("frame 3 written to " + folder.path("out.03.png")), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("(2/2,"), std::string::npos) << run.output;
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"out.03.png", "out.04.png", "still.png"}));
}

} // namespace
} // namespace tooltest
