// irisplit refuses bad input with its exit code and a message that starts
// with "irisplit:" and names the problem, and leaves no file behind.
#include "ToolTestSupport.h"

#include "opengl/Binding.h"
#include "tests/support/HostContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>

namespace tooltest {
namespace {

constexpr int kUsage = 2;
constexpr int kFile = 3;
constexpr int kEffect = 4;
constexpr int kContexts = irxgl::kBindingHandleCount; // the effect's root context and one per render thread

class ToolErrors : public ::testing::Test {
protected:
    void SetUp() override { WritePicture(in, MakePicture(6, 5, 3, OIIO::TypeDesc::UINT8, 0, 255)); }

    // Runs, expects the exit code and every text in the message, and the folder
    // as it was; gives the message back.
    std::string ExpectRefused(const std::vector<std::string>& arguments, int exitCode,
                              const std::vector<std::string>& texts, const RunOptions& options = {})
    {
        SCOPED_TRACE(testing::PrintToString(arguments));
        const std::vector<std::string> before = folder.files();
        const RunResult run = RunIrisplit(arguments, options);
        EXPECT_EQ(run.exitCode, exitCode) << run.out << run.err;
        // One line, irisplit's, that does not end in an empty reason.
        EXPECT_EQ(run.err.rfind("irisplit: ", 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(run.err.find(": \n"), std::string::npos) << run.err;
        for (const std::string& text : texts) {
            EXPECT_NE(run.err.find(text), std::string::npos) << "missing '" << text << "' in:\n" << run.err;
        }
        EXPECT_EQ(folder.files(), before);
        return run.err;
    }

    ScratchFolder folder;
    const std::string in = folder.path("in.png");
    const std::string out = folder.path("out.png");
};

TEST_F(ToolErrors, BadOptionsAreUsageErrorsNamingTheOptionBeforeTheModuleLoads)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--blur", "1000.5", "--blur", "0 to 1000"},
        {"--position", "1:0,9:-2001", "--position", "-2000 to 2000"},
        {"--position", "2000.0001", "--position 2000.0001 is outside", "-2000 to 2000"},
        {"--rotation", "-32768.000000001", "--rotation -32768.000000001 is outside", "-32768 to 32767"},
        {"--threads", std::to_string(kContexts), "--threads " + std::to_string(kContexts),
         std::to_string(kContexts - 1) + " render contexts"},
        {"--scale", "1:5,1:6", "--scale", "frame 1 has two keyframes"},
        {"--rotation", "quarter", "--rotation", "'quarter' is not a number"},
        {"--channels", "red-alpha", "--channels", "red-blue, red-green, green-blue"},
        {"--depth", "12", "--depth", "8, 16 or 32"},
        {"--downsample", "1/0", "--downsample", "N/D"},
        {"--png-compression", "10", "--png-compression", "0 to 9"},
        {"--sharpen", "2", "--sharpen", "render --help"},
        {"--frames", "1-3", "--frames 1-3", "frame number"},
        {"--frames", "5-1", "--frames", "ends before it starts"},
        {"--frames", "1-9x0", "--frames", "step of 0"},
        {"--frames", "1,,2", "--frames", "not a frame list"},
        {"--frames", "1,2,", "--frames", "not a frame list"},
        {"--frames", "1--", "--frames", "not a frame list"},
        // A frame named twice would write one file twice; ranges of any length are not listed.
        {"--frames", "-4--1,7,-2", "--frames", "names frame -2 twice"},
        {"--frames", "1-99x4,3-99x6", "--frames", "names frame 9 twice"},
        {"--frames", "1-999999999,999999999", "--frames", "names frame 999999999 twice"},
        {"--frames", "-1000000000", "--frames", "not a frame list"}};
    for (const std::vector<std::string>& c : cases) {
        // A module that cannot be loaded: the option is refused before it is tried.
        ExpectRefused({"render", in, out, c[0], c[1], "--module", folder.path("absent.so")}, kUsage, {c[2], c[3]});
    }
    ExpectRefused({"render", in}, kUsage, {"OUT"});
    ExpectRefused({"rendre", in, out}, kUsage, {"'rendre' is not a command (render, info)"});
    ExpectRefused({"render", in, folder.path("out.%04d.png")}, kUsage, {"--frames"});
    ExpectRefused({"render", in, folder.path("out.#.png"), "--frames", "1-3,2", "-n"}, kUsage, {"frame 2 twice"});
    ExpectRefused({"render", in, folder.path("long.%250d.png"), "--frames", "1"}, kUsage, {"file systems take 255"});
}

// Inputs that could not be rendered are refused at once, before a pixel is read.
TEST_F(ToolErrors, InputsThatCannotBeRenderedAreFileErrorsNamingThem)
{
    ASSERT_EQ(::mkfifo(folder.path("fifo.png").c_str(), 0600), 0);
    // 68 bytes that declare a frame of 100000x100000, far too large to allocate.
    const unsigned char huge[] = {
        0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00,
        0x01, 0x86, 0xA0, 0x00, 0x01, 0x86, 0xA0, 0x08, 0x02, 0x00, 0x00, 0x00, 0x27, 0x30, 0x9C, 0x9F, 0x00,
        0x00, 0x00, 0x0B, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x60, 0x80, 0x01, 0x00, 0x00, 0x0A, 0x00,
        0x01, 0x7F, 0x80, 0x74, 0x5E, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
    std::ofstream(folder.path("huge.png"), std::ios::binary).write(reinterpret_cast<const char*>(huge), sizeof huge);
    // One pixel wider than the renderer's largest texture.
    const int wide = testsupport::HostContext().maxTextureSize() + 1;
    WritePicture(folder.path("wide.png"), MakePicture(wide, 1, 3, OIIO::TypeDesc::UINT8, 0, 255));
    const Picture pair = MakePicture(4, 4, 2, OIIO::TypeDesc::FLOAT, 0, 1);
    WritePicture(folder.path("rg.exr"), pair, {"R", "G"});
    WritePicture(folder.path("uv.exr"), pair, {"U", "V"});
    WritePicture(folder.path("parts.exr"), MakePicture(4, 4, 3, OIIO::TypeDesc::FLOAT, 0, 1), {}, 2);
    // A header of 130 KB that declares more samples than memory holds.
    const int side = std::min(wide - 1, 16384);
    auto declared = OIIO::ImageOutput::create(folder.path("declared.exr"));
    ASSERT_TRUE(declared->open(folder.path("declared.exr"), OIIO::ImageSpec(side, side, 1024, OIIO::TypeDesc::FLOAT)));
    ASSERT_TRUE(declared->close());

    const std::vector<std::vector<std::string>> cases = {
        {folder.path("absent.png"), "No such file"},
        {"/dev/zero", "not a regular file"},
        {folder.path("fifo.png"), "not a regular file"},
        {folder.path("huge.png"), "100000x100000 pixels"},
        {folder.path("wide.png"), std::to_string(wide) + "x1 pixels, and the renderer takes frames of at most " +
                                      std::to_string(wide - 1)},
        {folder.path("rg.exr"), "(R, G) are neither grey"},
        {folder.path("uv.exr"), "(U, V) are neither grey"},
        {folder.path("parts.exr"), "more than one part"},
        {folder.path("declared.exr"), std::to_string(side) + "x" + std::to_string(side) + " pixels of 1024 channels take"}};
    for (const std::vector<std::string>& c : cases) {
        ExpectRefused({"render", c[0], folder.path("out.exr")}, kFile, {c[0], c[1]});
    }
    // Samples of a quarter GiB that take ten times that to render, under an
    // address space limit between the two.
    auto limited = OIIO::ImageOutput::create(folder.path("limited.exr"));
    ASSERT_TRUE(limited->open(folder.path("limited.exr"), OIIO::ImageSpec(4096, 4096, 4, OIIO::TypeDesc::HALF)));
    ASSERT_TRUE(limited->close());
    RunOptions options;
    options.addressSpaceLimit = 2500ull << 20;
    // The render's estimate in a refusal (the memory left varies from run to run).
    const auto estimate = [](const std::string& refusal) {
        const size_t at = refusal.find("rendering it takes about ");
        return refusal.substr(at, refusal.find(" GiB, but") - at);
    };
    const std::string refusal =
        ExpectRefused({"render", folder.path("limited.exr"), folder.path("out.exr")}, kFile,
                      {"4096x4096 pixels of 4 channels take 0.2 GiB as float samples, and rendering it takes about ",
                       " GiB, but only ", " of memory is available"},
                      options);
    // One frame renders on one thread, however many --threads allows; frames
    // of a sequence on one by default.
    EXPECT_EQ(estimate(ExpectRefused({"render", folder.path("limited.exr"), folder.path("out.exr"), "--threads", "4"},
                                     kFile, {}, options)),
              estimate(refusal));
    std::vector<std::string> sequence = {"render", folder.path("limited.exr"), folder.path("out.#.exr"), "--frames",
                                         "1-8"};
    const std::string byDefault = ExpectRefused(sequence, kFile, {}, options);
    sequence.insert(sequence.end(), {"--threads", "1"});
    EXPECT_EQ(estimate(ExpectRefused(sequence, kFile, {}, options)), estimate(byDefault));
    // Channels that say grey and alpha are taken as such, with any more:
    // RGBA and the rest come back.
    const Picture yaz = MakePicture(4, 4, 3, OIIO::TypeDesc::FLOAT, 0, 1);
    WritePicture(folder.path("yaz.exr"), yaz, {"Y", "A", "Z"});
    ASSERT_EQ(RunIrisplit({"render", folder.path("yaz.exr"), folder.path("rgbaz.exr"), "--position", "0"}).exitCode, 0);
    const Picture rgbaz = ReadPicture(folder.path("rgbaz.exr"));
    ASSERT_EQ(rgbaz.channels, 5);
    for (int c : {0, 1, 2, 3, 4}) EXPECT_EQ(rgbaz.at(1, 2, c), yaz.at(1, 2, std::max(0, c - 2))) << c;
}

// A file that ends early is refused naming it, in every format, also where
// the image library only notes it and would return grey rows; the library's
// own words come within irisplit's one line, and a reader that gives no
// reason gets one.
TEST_F(ToolErrors, InputThatEndsEarlyIsAFileErrorInEveryFormat)
{
    const Picture picture = MakePicture(64, 48, 3, OIIO::TypeDesc::UINT8, 0, 255);
    for (const char* extension : {"png", "jpg", "tif", "exr", "ppm", "bmp", "tga", "dpx", "hdr", "iff", "sgi"}) {
        const std::string cut = folder.path(std::string("cut.") + extension);
        WritePicture(cut, picture);
        std::filesystem::resize_file(cut, std::filesystem::file_size(cut) * 6 / 10);
        ExpectRefused({"render", cut, folder.path("out.png")}, kFile, {"irisplit: cannot read '" + cut + "': "});
    }
}

TEST_F(ToolErrors, UnwritableOrProtectedOutputIsAFileErrorAndLeavesNoPartialFile)
{
    // The library's 'null' format writes nothing.
    ExpectRefused({"render", in, folder.path("out.null")}, kFile, {"'null' format writes no file"});
    ExpectRefused({"render", in, folder.path("no/such/folder/out.png")}, kFile, {folder.path("no/such/folder/out.png")});
    // --no-clobber refuses before rendering; here the input itself is the output.
    ExpectRefused({"render", in, in, "-n"}, kFile, {in, "--no-clobber"});
    // The last of a billion frames, found without each name being looked up.
    std::filesystem::copy_file(in, folder.path("seq.999999999.png"));
    ExpectRefused({"render", in, folder.path("seq.@.png"), "--frames", "1-999999999", "-n"}, kFile,
                  {folder.path("seq.999999999.png"), "--no-clobber"});
    // Files of frames not rendered do not count.
    EXPECT_EQ(RunIrisplit({"render", in, folder.path("seq.@.png"), "--frames", "1-2", "-n", "-q"}).exitCode, 0);
    // The frame renders and is written, but cannot take the place of a folder.
    std::filesystem::create_directory(folder.path("taken.png"));
    ExpectRefused({"render", in, folder.path("taken.png"), "--quiet"}, kFile, {folder.path("taken.png")});
    EXPECT_TRUE(std::filesystem::is_empty(folder.path("taken.png")));
}

TEST_F(ToolErrors, MissingFrameStopsTheSequenceThere)
{
    std::filesystem::copy_file(in, folder.path("seq.1.png"));
    std::filesystem::copy_file(in, folder.path("seq.3.png"));
    const RunResult run =
        RunIrisplit({"render", folder.path("seq.@.png"), folder.path("out.@.png"), "--frames", "1-3", "--threads", "1"});
    EXPECT_EQ(run.exitCode, kFile) << run.out << run.err;
    EXPECT_NE(run.err.find(folder.path("seq.2.png")), std::string::npos) << run.err;
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"in.png", "out.1.png", "seq.1.png", "seq.3.png"}));
}

// `info` says which EGL display the effect renders on; variables that name no
// usable device or refuse the software renderer stop the tool with the reason.
TEST_F(ToolErrors, UnusableRendererVariablesStopTheTool)
{
    const RunResult info = RunIrisplit({"info"});
    EXPECT_NE(info.out.find("  platform: device\n  device: 0 (software)\n  devices seen: 0 (software)\n"),
              std::string::npos)
        << info.out;
    for (const auto& [variable, reason] : std::vector<std::pair<const char*, std::string>>{
             {"IRISPLIT_EGL_DEVICE", "IRISPLIT_EGL_DEVICE=1 names no EGL device"}, // one past the last
             {"IRISPLIT_REQUIRE_GPU", "IRISPLIT_REQUIRE_GPU=1, but the renderer is a software one"}}) {
        RunOptions options;
        options.environment = {{variable, "1"}};
        ExpectRefused({"render", in, out}, kFile, {"irisplit: no renderer for the effect: " + reason}, options);
        ExpectRefused({"info"}, kFile, {"irisplit: no renderer for the effect: " + reason}, options);
    }
    RunOptions device0;
    device0.environment = {{"IRISPLIT_EGL_DEVICE", "0"}};
    EXPECT_EQ(RunIrisplit({"render", in, out, "-q"}, device0).exitCode, 0);
}

// A module whose global setup fails is an effect error; one that cannot be
// loaded a file error, refused before it is opened where it is no regular
// file: a FIFO would wait for a writer, a device read forever.
TEST_F(ToolErrors, ModuleThatFailsOrCannotLoadIsRefused)
{
    ExpectRefused({"render", in, out, "--module", FAILING_EFFECT_PATH}, kEffect,
                  {"global setup", "host result code 13", "no graphics context here"});
    ExpectRefused({"info", "--module", in}, kFile, {"cannot load the effect module"});
    ASSERT_EQ(::mkfifo(folder.path("fifo.so").c_str(), 0600), 0);
    ExpectRefused({"info", "--module", folder.path("fifo.so")}, kFile, {"not a regular file"});
    ExpectRefused({"render", in, out, "--module", "/dev/zero"}, kFile, {"/dev/zero: not a regular file"});
}

} // namespace
} // namespace tooltest
