// irisplit renders files: identity settings give the input back, the frames
// of a keyframed sequence match the CPU model, each in a file of its own.
#include "ToolTestSupport.h"

#include "opengl/Binding.h"
#include "tests/model/CpuModel.h"
#include "tests/support/IrisplitValues.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace tooltest {
namespace {

// Identity settings give every file back as stored: no premultiplication
// (colour under zero alpha survives), no clamping of float values outside
// 0..1, 16-bit samples exactly and white as white, alpha declared
// associated or not as in the input. The PNG level (4 by default) trades size
// for time only.
TEST(RenderTool, IdentityGivesEachFileBack)
{
    using Options = std::vector<std::string>;
    const Options store = {"--png-compression", "0"}, smallest = {"--png-compression", "9"};
    struct Case {
        const char* name;
        const char* output;
        int channels;
        OIIO::TypeDesc type;
        float low, high;
        bool unassociated;
        std::vector<Options> options; // {}: the file's own depth
    };
    std::map<Options, std::uintmax_t> sizes;
    for (const Case& c : {Case{"in.png", "out.png", 4, OIIO::TypeDesc::UINT8, 0, 255, true,
                               {{}, {"--depth", "16"}, {"--depth", "32"}, store, smallest}},
                          Case{"in.png", "out.tif", 4, OIIO::TypeDesc::UINT8, 0, 255, true, {{}}},
                          Case{"in.tif", "out.tif", 4, OIIO::TypeDesc::UINT8, 0, 255, false, {{}}},
                          Case{"in.exr", "out.exr", 4, OIIO::TypeDesc::FLOAT, -2.5f, 7.25f, false, {{}}},
                          Case{"in.png", "out.png", 3, OIIO::TypeDesc::UINT16, 0, 65535, true, {{}}}}) {
        ScratchFolder folder;
        Picture input = MakePicture(64, 48, c.channels, c.type, c.low, c.high);
        input.unassociatedAlpha = c.unassociated;
        input.at(0, 0, 0) = input.at(3, 4, 0) = c.high;
        input.at(3, 4, c.channels - 1) = 0; // transparent where there is alpha
        WritePicture(folder.path(c.name), input);
        for (const Options& options : c.options) {
            SCOPED_TRACE(std::string(c.name) + " to " + c.output + " with " + testing::PrintToString(options));
            const std::string out = folder.path(c.output);
            Options arguments = {"render", folder.path(c.name), out, "--position", "0",
                                 "--rotation", "0", "--scale", "100", "--blur", "0"};
            arguments.insert(arguments.end(), options.begin(), options.end());
            const RunResult run = RunIrisplit(arguments);
            ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
            const Picture output = ReadPicture(out);
            EXPECT_EQ(std::tie(output.width, output.height, output.channels, output.format),
                      std::tie(input.width, input.height, input.channels, input.format));
            EXPECT_TRUE(output.samples == input.samples);
            EXPECT_EQ(output.at(0, 0, 0), c.high);
            EXPECT_EQ(output.unassociatedAlpha, c.unassociated);
            sizes[options] = std::filesystem::file_size(out);
        }
    }
    EXPECT_GT(sizes[store], sizes[smallest]);
    // Level 4 by default: the same file as --png-compression 4, which differs from 3's and 5's here.
    ScratchFolder folder;
    WritePicture(folder.path("in.png"), MakePicture(256, 128, 4, OIIO::TypeDesc::UINT8, 0, 255));
    std::map<std::string, std::uintmax_t> bytes;
    for (const std::string level : {"", "3", "4", "5"}) {
        Options arguments = {"render", folder.path("in.png"), folder.path("out" + level + ".png"), "--blur", "3"};
        if (!level.empty()) arguments.insert(arguments.end(), {"--png-compression", level});
        ASSERT_EQ(RunIrisplit(arguments).exitCode, 0);
        bytes[level] = std::filesystem::file_size(folder.path("out" + level + ".png"));
    }
    EXPECT_EQ(bytes[""], bytes["4"]);
    EXPECT_TRUE(bytes["3"] != bytes["4"] && bytes["5"] != bytes["4"]) << bytes["3"] << " " << bytes["5"];
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

// A frame list with a step, rendered out of order on two threads: each
// frame gets its own keyframed value and its own file ('#': four digits),
// reported on a progress line when written.
TEST(RenderTool, KeyframedSequenceFramesMatchTheModel)
{
    ScratchFolder folder;
    const Picture input = MakePicture(40, 24, 3, OIIO::TypeDesc::UINT8, 0, 255);
    for (int frame = 1; frame <= 5; ++frame) WritePicture(folder.path("in." + std::to_string(frame) + ".png"), input);
    // Position 0 at frame 1 to 8 at frame 5: 2 pixels more on every frame.
    const RunResult run = RunIrisplit({"render", folder.path("in.%d.png"), folder.path("out.#.png"), "--frames",
                                       "1-5x2,4", "--position", "5:8,1:0", "--channels", "green-blue", "--threads", "2"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.err.find("frame 5 written to " + folder.path("out.0005.png")), std::string::npos) << run.err;
    for (const char* done : {"(1/4, ", "(2/4, ", "(3/4, ", "(4/4, "}) EXPECT_NE(run.err.find(done), std::string::npos);
    EXPECT_EQ(folder.files().size(), 9u);

    const hostsim::World world = WorldOf(input);
    for (int frame : {1, 3, 4, 5}) {
        SCOPED_TRACE("frame " + std::to_string(frame));
        const hostsim::ControlValues values = testsupport::IrisplitValues(3, 2.0 * (frame - 1), 0.0, 100.0, 0.0);
        const cpumodel::Image expected = cpumodel::ExpectedImage(world, cpumodel::FromHostValues(values, {1, 1}));
        const hostsim::World rendered = WorldOf(ReadPicture(folder.path("out.000" + std::to_string(frame) + ".png")));
        const cpumodel::Comparison comparison = cpumodel::CompareWorld(expected, rendered);
        EXPECT_TRUE(comparison.matches()) << comparison.describe();
    }
}

// A placeholder wider than any buffer still gives each frame its own number;
// ranges that interleave name no frame twice; as many frames render at once
// as the effect has contexts besides its root one; negative frames carry
// their sign within the width as oiiotool does (-2 with '#': -002); without
// --frames a name with '@' that is a file is that file, and OUT is as named.
TEST(RenderTool, EachFrameHasANameOfItsOwn)
{
    ScratchFolder folder;
    const Picture input = MakePicture(4, 3, 3, OIIO::TypeDesc::UINT8, 0, 255);
    const auto render = [&](const std::string& in, const std::string& out, std::vector<std::string> more) {
        WritePicture(folder.path(in), input);
        more.insert(more.begin(), {"render", folder.path(in), folder.path(out), "-q"});
        return RunIrisplit(more);
    };
    const std::string threads = std::to_string(irxgl::kBindingHandleCount - 1);
    const RunResult run = render("still.png", "w.%040d.png", {"--frames", "1-125x2,2-6x2", "--threads", threads});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(folder.files().size(), 67u);
    EXPECT_EQ(folder.files().back(), "w." + std::string(37, '0') + "125.png");

    WritePicture(folder.path("in.-02.png"), input);
    ASSERT_EQ(render("in.003.png", "out.#.png", {"--frames", "-2,3", "--position", "-2:0,3:5"}).exitCode, 0);
    EXPECT_EQ(ReadPicture(folder.path("out.-002.png")).width, 4);
    EXPECT_EQ(ReadPicture(folder.path("out.0003.png")).width, 4);

    ASSERT_EQ(render("icon@2x.png", "split@2x.png", {"--position", "1"}).exitCode, 0);
    EXPECT_EQ(ReadPicture(folder.path("split@2x.png")).width, 4);
}

} // namespace
} // namespace tooltest
