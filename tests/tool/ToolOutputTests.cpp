// What irisplit writes: a file that reads back as rendered, in any format the
// image library writes, with the alpha and the frame that the format's
// readers expect, written through links and keeping permissions.
#include "ToolTestSupport.h"

#include <OpenImageIO/imagebufalgo.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include <sys/stat.h>
#include <unistd.h>

namespace tooltest {
namespace {

const std::vector<std::string> kIdentity = {"--position", "0", "--rotation", "0", "--scale", "100", "--blur", "0"};

RunResult RenderIdentity(const std::string& in, const std::string& out, const RunOptions& options = {})
{
    std::vector<std::string> arguments = {"render", in, out, "-q"};
    arguments.insert(arguments.end(), kIdentity.begin(), kIdentity.end());
    return RunIrisplit(arguments, options);
}

// A sample in 0..1 from the file's own units.
float Unit(const Picture& picture, int x, int y, int c)
{
    const bool integer = picture.format == OIIO::TypeDesc::UINT8 || picture.format == OIIO::TypeDesc::UINT16;
    return integer ? picture.at(x, y, c) / float(picture.format == OIIO::TypeDesc::UINT8 ? 255 : 65535)
                   : picture.at(x, y, c);
}

void ExpectPixel(const Picture& picture, int x, int y, const std::vector<float>& expected, float tolerance)
{
    for (int c = 0; c < int(expected.size()); ++c) {
        EXPECT_NEAR(Unit(picture, x, y, c), expected[size_t(c)], tolerance) << "at " << x << "," << y << " channel " << c;
    }
}

// A writer that reports success for a file holding something else (its
// pixel data on disk as zeros) has that file refused: exit 3, the old file
// as it was, no temporary left.
TEST(ToolOutput, FileThatReadsBackDifferentKeepsTheOldFile)
{
    ScratchFolder folder;
    const std::string in = folder.path("in.tif"), out = folder.path("out.tif");
    Picture input = MakePicture(64, 64, 3, OIIO::TypeDesc::UINT8, 1, 255); // no black pixel
    input.compression = "none"; // the output's too: zeros decode as black
    WritePicture(in, input);
    const Picture old = MakePicture(4, 4, 3, OIIO::TypeDesc::UINT8, 0, 255);
    WritePicture(out, old);
    RunOptions options;
    options.environment = {"LD_PRELOAD=" HOLEY_WRITES_PATH};
    const RunResult run = RenderIdentity(in, out, options);
    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_NE(run.err.find("irisplit: cannot write '" + out + "': the file written reads back different"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(ReadPicture(out).samples, old.samples);
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"in.tif", "out.tif"}));
}

// Every format the image library writes takes a sequence; channels that a
// format cannot hold are dropped or added, and one line says so for the run.
TEST(ToolOutput, EveryFormatIsWrittenWithTheChannelsItHolds)
{
    struct Case {
        const char* extension;
        int channels, written;
        const char* warning;
    };
    for (const Case& c : {Case{"sgi", 4, 4, nullptr}, Case{"ppm", 4, 3, "pnm files cannot hold A: '"},
                          Case{"hdr", 4, 3, "hdr files cannot hold A: '"},
                          Case{"ico", 3, 4, "ico files always hold alpha: '"},
                          Case{"jpg", 4, 3, "jpeg files cannot hold A: '"}, Case{"bmp", 4, 4, nullptr},
                          Case{"tga", 4, 4, nullptr}, Case{"dpx", 4, 4, nullptr}, Case{"iff", 4, 4, nullptr},
                          Case{"webp", 4, 4, nullptr}, Case{"jp2", 4, 4, nullptr}, Case{"heic", 4, 4, nullptr},
                          Case{"fits", 4, 4, nullptr}, Case{"gif", 4, 4, nullptr}, Case{"rla", 4, 4, nullptr}}) {
        SCOPED_TRACE(c.extension);
        ScratchFolder folder;
        WritePicture(folder.path("in.png"), MakePicture(64, 32, c.channels, OIIO::TypeDesc::UINT8, 0, 255));
        const RunResult run = RunIrisplit({"render", folder.path("in.png"),
                                           folder.path(std::string("out.#.") + c.extension), "--frames", "1-2", "-q"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        for (const char* frame : {"0001", "0002"}) {
            const Picture written = ReadPicture(folder.path(std::string("out.") + frame + "." + c.extension));
            EXPECT_EQ(std::tie(written.width, written.height, written.channels), std::make_tuple(64, 32, c.written));
        }
        const size_t lines = size_t(std::count(run.err.begin(), run.err.end(), '\n'));
        EXPECT_EQ(lines, c.warning ? 1u : 0u) << run.err;
        EXPECT_TRUE(!c.warning || run.err.find(std::string("irisplit: warning: ") + c.warning) == 0) << run.err;
    }
}

// Writing through a symbolic link replaces its target, and the link stays; a
// replaced file keeps its permission bits, a new one gets what the umask leaves.
TEST(ToolOutput, LinksAndPermissionsStay)
{
    ScratchFolder folder;
    std::filesystem::create_directory(folder.path("frames"));
    const std::string in = folder.path("in.png"), target = folder.path("frames/kept.png");
    WritePicture(in, MakePicture(16, 8, 3, OIIO::TypeDesc::UINT8, 0, 255));
    WritePicture(target, MakePicture(4, 4, 3, OIIO::TypeDesc::UINT8, 0, 255));
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("frames/kept.png", folder.path("link.png").c_str()), 0);

    for (const char* out : {"link.png", "new.png"}) {
        const RunResult run = RenderIdentity(in, folder.path(out));
        EXPECT_EQ(run.exitCode, 0) << run.err;
    }
    EXPECT_TRUE(std::filesystem::is_symlink(folder.path("link.png")));
    EXPECT_EQ(ReadPicture(target).width, 16);
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"frames", "in.png", "link.png", "new.png"}));
    EXPECT_EQ(std::filesystem::directory_iterator(folder.path("frames"))->path(), target);
    const mode_t umask = ::umask(0);
    ::umask(umask);
    for (const auto& [file, mode] : {std::pair{target, mode_t(0600)}, {folder.path("new.png"), 0666 & ~umask}}) {
        struct stat status {};
        ASSERT_EQ(::stat(file.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, mode) << file;
    }
}

// Straight colour written to a format that holds premultiplied colour (EXR)
// is multiplied by alpha (and divided the other way round: below).
TEST(ToolOutput, StraightAlphaIsPremultipliedForExr)
{
    ScratchFolder folder;
    Picture straight = MakePicture(3, 2, 4, OIIO::TypeDesc::UINT8, 0, 255);
    for (size_t i = 0; i < straight.samples.size(); ++i) {
        straight.samples[i] = std::vector<float>{204, 102, 51, 128}[i % 4];
    }
    WritePicture(folder.path("straight.png"), straight);
    const RunResult run = RenderIdentity(folder.path("straight.png"), folder.path("out.exr"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ExpectPixel(ReadPicture(folder.path("out.exr")), 2, 1, {0.4f, 0.2f, 0.1f, 128 / 255.0f}, 1.0f / 255);
}

// An EXR whose pixels cover part of its frame (its display window) is
// rendered as that frame, transparent black around its pixels, and written
// as the frame: PNG gets all of it (its colour divided by alpha), EXR keeps
// it as its display window.
TEST(ToolOutput, DataWindowIsPlacedInItsFrame)
{
    ScratchFolder folder;
    OIIO::ImageSpec spec(8, 6, 4, OIIO::TypeDesc::FLOAT);
    spec.x = 4, spec.y = 2, spec.full_width = 16, spec.full_height = 12;
    OIIO::ImageBuf cropped(spec);
    const float colour[] = {0.4f, 0.2f, 0.1f, 0.5f};
    ASSERT_TRUE(OIIO::ImageBufAlgo::fill(cropped, colour));
    ASSERT_TRUE(cropped.write(folder.path("cropped.exr")));

    for (const auto& [out, inside] : {std::pair{"out.exr", std::vector<float>{0.4f, 0.2f, 0.1f, 0.5f}},
                                      {"out.png", std::vector<float>{0.8f, 0.4f, 0.2f, 0.5f}}}) {
        SCOPED_TRACE(out);
        const RunResult run = RenderIdentity(folder.path("cropped.exr"), folder.path(out));
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const Picture written = ReadPicture(folder.path(out));
        ASSERT_EQ(std::tie(written.width, written.height), std::make_tuple(16, 12));
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 16; ++x) {
                const bool covered = x >= 4 && x < 12 && y >= 2 && y < 8;
                ExpectPixel(written, x, y, covered ? inside : std::vector<float>{0, 0, 0, 0}, 1.0f / 255);
            }
        }
    }
}

} // namespace
} // namespace tooltest
