// What irisplit writes: in any format the image library writes, with the
// alpha and the frame that the format's readers expect, written through links
// and keeping permissions.
#include "ToolTestSupport.h"

#include <OpenImageIO/imagebufalgo.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>

#include <sys/stat.h>
#include <unistd.h>

namespace tooltest {
namespace {

RunResult RenderIdentity(const std::string& in, const std::string& out, std::vector<std::string> more = {})
{
    more.insert(more.begin(),
                {"render", in, out, "-q", "--position", "0", "--rotation", "0", "--scale", "100", "--blur", "0"});
    return RunIrisplit(more);
}

// Every format the image library writes takes a sequence; channels that a
// format cannot hold are dropped or added, and one line says so for the run.
// Half samples reach formats whose writers take only float (FITS, RLA).
TEST(ToolOutput, EveryFormatIsWrittenWithTheChannelsItHolds)
{
    struct Case {
        const char* extension;
        int channels, written;
        const char* warning;
        OIIO::TypeDesc type = OIIO::TypeDesc::UINT8;
    };
    for (const Case& c : {Case{"sgi", 4, 4, nullptr}, {"ppm", 4, 3, "pnm files cannot hold A: '"},
                          {"hdr", 4, 3, "hdr files cannot hold A: '"}, {"ico", 3, 4, "ico files always hold alpha: '"},
                          {"jpg", 4, 3, "jpeg files cannot hold A: '"}, {"bmp", 4, 4, nullptr}, {"tga", 4, 4, nullptr},
                          {"dpx", 4, 4, nullptr}, {"iff", 4, 4, nullptr}, {"webp", 4, 4, nullptr},
                          {"jp2", 4, 4, nullptr}, {"heic", 4, 4, nullptr},
                          {"fits", 4, 4, nullptr, OIIO::TypeDesc::HALF}, {"gif", 4, 4, nullptr},
                          {"rla", 4, 4, nullptr, OIIO::TypeDesc::HALF}}) {
        SCOPED_TRACE(c.extension);
        ScratchFolder folder;
        const std::string in = folder.path(c.type == OIIO::TypeDesc::HALF ? "in.exr" : "in.png");
        WritePicture(in, MakePicture(64, 32, c.channels, c.type, 0, float(UnitsPerOne(c.type))));
        const std::string out = folder.path("out.");
        const RunResult run = RunIrisplit({"render", in, out + "#." + c.extension, "--frames", "1-2", "-q"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        for (const char* frame : {"0001.", "0002."}) {
            const Picture written = ReadPicture(out + frame + c.extension);
            EXPECT_EQ(std::tie(written.width, written.height, written.channels), std::make_tuple(64, 32, c.written));
        }
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), c.warning ? 1 : 0) << run.err;
        EXPECT_TRUE(!c.warning || run.err.find(std::string("irisplit: warning: ") + c.warning) == 0) << run.err;
    }
    ScratchFolder folder; // JPEG 2000 takes 32 pixels across and down (above), not 31
    WritePicture(folder.path("in.png"), MakePicture(32, 31, 3, OIIO::TypeDesc::UINT8, 0, 255));
    const RunResult run = RunIrisplit({"render", folder.path("in.png"), folder.path("out.jp2")});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find("jpeg2000 files take frames of at least 32x32 pixels"), std::string::npos) << run.err;
    // ICO takes 256 pixels across and down, not 257: refused before the
    // effect is loaded, so none of its diagnostics come first.
    for (const int side : {256, 257}) {
        WritePicture(folder.path("wide.png"), MakePicture(side, 8, 4, OIIO::TypeDesc::UINT8, 0, 255));
        const RunResult icon = RunIrisplit({"render", folder.path("wide.png"), folder.path("out.ico")});
        EXPECT_EQ(icon.exitCode, side == 256 ? 0 : 3) << icon.err;
        EXPECT_TRUE(side == 256 || icon.err == "irisplit: cannot write '" + folder.path("out.ico") + "': the frame is "
                                               "257x8 pixels, and ico files take frames of at most 256x256 pixels\n")
            << icon.err;
    }
}

// Writing through a symbolic link replaces its target, and the link stays; a
// replaced file keeps its permission bits (the owner's write bit too, when
// it lacks it), a new one gets what the umask leaves.
TEST(ToolOutput, LinksAndPermissionsStay)
{
    ScratchFolder folder;
    std::filesystem::create_directory(folder.path("frames"));
    const std::string target = folder.path("frames/kept.png"), created = folder.path("new.png");
    WritePicture(folder.path("in.png"), MakePicture(16, 8, 3, OIIO::TypeDesc::UINT8, 0, 255));
    WritePicture(target, MakePicture(4, 4, 3, OIIO::TypeDesc::UINT8, 0, 255));
    ASSERT_EQ(::symlink("frames/kept.png", folder.path("link.png").c_str()), 0);
    const auto modeOf = [](const std::string& file) {
        struct stat status {};
        EXPECT_EQ(::stat(file.c_str(), &status), 0);
        return status.st_mode & 07777;
    };
    for (const mode_t mode : {0600, 0444, 0640, 0755, 0604}) {
        ASSERT_EQ(::chmod(target.c_str(), mode), 0);
        EXPECT_EQ(RenderIdentity(folder.path("in.png"), folder.path("link.png")).exitCode, 0);
        EXPECT_EQ(modeOf(target), mode) << std::oct << mode;
    }
    EXPECT_EQ(RenderIdentity(folder.path("in.png"), created).exitCode, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(folder.path("link.png")));
    EXPECT_EQ(ReadPicture(target).width, 16);
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"frames", "in.png", "link.png", "new.png"}));
    EXPECT_EQ(std::filesystem::directory_iterator(folder.path("frames"))->path(), target);
    const mode_t umask = ::umask(0);
    ::umask(umask);
    EXPECT_EQ(modeOf(created), 0666 & ~umask);
}

// Formats whose writers write the file themselves are read back, at every
// --depth, in the sample type the file holds (other than the render's too):
// what the writer was given is accepted, and it holds the samples of a TIFF
// of the same render converted to that type; a TIFF whose writes left holes
// (at the start of its first row or the end of its last: one strip) is
// refused at every depth, whatever type it holds, naming the row, and left
// nowhere.
TEST(ToolOutput, WriterWrittenFilesAreReadBackInTheirOwnSampleType)
{
    using T = OIIO::TypeDesc;
    ScratchFolder folder;
    const std::vector<T> given = {T::UINT8, T::UINT16, T::FLOAT}; // frames 1, 2 and 3
    for (size_t f = 0; f < given.size(); ++f) {
        // No black sample and no compression: holes read back as black. No
        // alpha: formats differ in the kind they hold.
        Picture frame = MakePicture(16, 32, 3, given[f], 0.05f * float(UnitsPerOne(given[f])),
                                    float(UnitsPerOne(given[f])));
        frame.compression = "none";
        WritePicture(folder.path("in.000" + std::to_string(f + 1) + ".tif"), frame);
    }
    const std::vector<std::pair<std::string, std::vector<T>>> held = { // the TIFF first: the others follow it
        {"tif", given}, {"sgi", {T::UINT8, T::UINT16, T::UINT8}}, {"ico", {T::UINT8, T::UINT8, T::UINT8}},
        {"fits", {T::UINT8, T::INT16, T::FLOAT}}, {"rla", given}};
    for (const std::string depth : {"8", "16", "32"}) {
        for (const auto& [extension, types] : held) {
            SCOPED_TRACE("--depth " + depth + " ." + extension);
            const RunResult run = RunIrisplit({"render", folder.path("in.#.tif"),
                                               folder.path(depth + ".#." + extension), "--frames", "1-3", "--blur",
                                               "2", "--depth", depth, "-q"});
            ASSERT_EQ(run.exitCode, 0) << run.err;
            for (size_t f = 0; f < types.size(); ++f) {
                const std::string frame = ".000" + std::to_string(f + 1) + ".";
                const OIIO::ImageBuf written(folder.path(depth + frame + extension));
                OIIO::ImageBuf expected;
                ASSERT_TRUE(expected.copy(OIIO::ImageBuf(folder.path(depth + frame + "tif")), types[f]));
                EXPECT_EQ(written.nativespec().format, types[f]) << frame;
                const OIIO::ROI colour(0, 16, 0, 32, 0, 1, 0, 3); // ICO files always hold alpha
                const double twice = types[f] == T::INT16 ? 1.5 / 32767 : 0; // the TIFF's uint16 rounded again
                EXPECT_LE(OIIO::ImageBufAlgo::compare(written, expected, 0, 0, colour).maxerror, twice) << frame;
            }
        }
        for (const auto& [holes, row] : {std::pair{"first", "0"}, {"last", "31"}}) {
            RunOptions options;
            options.environment = {{"LD_PRELOAD", RESOURCE_FAULTS_PATH}, {"IRX_HOLEY_TIFF_WRITES", holes}};
            for (const char* frame : {"1", "2", "3"}) {
                const RunResult run = RunIrisplit({"render", folder.path("in.#.tif"), folder.path("holey.#.tif"),
                                                   "--frames", frame, "--blur", "2", "--depth", depth, "-q"},
                                                  options);
                EXPECT_EQ(run.exitCode, 3) << depth << " " << frame;
                EXPECT_EQ(run.err.substr(run.err.find("irisplit: cannot")), // after what --depth does
                          "irisplit: cannot write '" + folder.path("holey.000") + frame + ".tif': the file written "
                          "reads back different from the rendered frame (in row " + row + ")\n");
            }
        }
        const std::vector<std::string> files = folder.files(); // neither the refused file nor its temporary
        EXPECT_EQ(std::count_if(files.begin(), files.end(), [](const std::string& name) {
                      return name.find("holey") != std::string::npos;
                  }), 0);
    }
}

// Colour becomes the kind the output format holds (0.8, 0.4, 0.2 straight is
// 0.4, 0.2, 0.1 premultiplied at alpha 0.5): EXR premultiplied, PNG straight.
// An EXR whose pixels cover part of its frame (its display window) is
// rendered as that frame, transparent black around its pixels, and written
// as the frame: PNG gets all of it, EXR keeps it as its display window, its
// negative origin too, which IFF cannot hold: it starts at 0,0.
TEST(ToolOutput, AlphaAndFrameAreWhatReadersExpect)
{
    ScratchFolder folder;
    OIIO::ImageSpec layout(8, 6, 4, OIIO::TypeDesc::FLOAT);
    layout.x = 4, layout.y = 2, layout.full_x = -2, layout.full_y = -1, layout.full_width = 16, layout.full_height = 12;
    OIIO::ImageBuf cropped(layout);
    const float premultiplied[] = {0.4f, 0.2f, 0.1f, 0.5f};
    ASSERT_TRUE(OIIO::ImageBufAlgo::fill(cropped, premultiplied));
    ASSERT_TRUE(cropped.write(folder.path("cropped.exr")));
    Picture straight = MakePicture(16, 12, 4, OIIO::TypeDesc::UINT8, 0, 255);
    for (size_t i = 0; i < straight.samples.size(); ++i) {
        straight.samples[i] = std::vector<float>{204, 102, 51, 128}[i % 4];
    }
    WritePicture(folder.path("straight.png"), straight);

    const OIIO::ROI part(6, 14, 3, 9), whole(0, 16, 0, 12);
    for (const auto& [in, out, covered, colour, origin] :
         {std::tuple{"cropped.exr", "out.exr", part, std::vector<float>{0.4f, 0.2f, 0.1f, 0.5f}, -2},
          {"cropped.exr", "out.iff", part, std::vector<float>{0.4f, 0.2f, 0.1f, 0.5f}, 0},
          {"cropped.exr", "out.png", part, std::vector<float>{0.8f, 0.4f, 0.2f, 0.5f}, 0},
          {"straight.png", "straight.exr", whole, std::vector<float>{0.4f, 0.2f, 0.1f, 128 / 255.0f}, 0}}) {
        SCOPED_TRACE(out);
        ASSERT_EQ(RenderIdentity(folder.path(in), folder.path(out)).exitCode, 0);
        EXPECT_EQ(OIIO::ImageBuf(folder.path(out)).nativespec().x, origin);
        const Picture written = ReadPicture(folder.path(out));
        ASSERT_EQ(std::tie(written.width, written.height), std::make_tuple(16, 12));
        for (int i = 0; i < 16 * 12 * 4; ++i) {
            const float expected = covered.contains(i / 4 % 16, i / 64) ? colour[size_t(i % 4)] : 0.0f;
            EXPECT_NEAR(written.samples[size_t(i)] / UnitsPerOne(written.format), expected, 1.0 / 255) << i;
        }
    }
    // Pixels beyond the frame (overscan) are left out, the frame's own written.
    OIIO::ImageSpec overscan(20, 14, 3, OIIO::TypeDesc::FLOAT);
    overscan.x = -2, overscan.y = -1, overscan.full_width = 16, overscan.full_height = 12;
    OIIO::ImageBuf wide(overscan);
    ASSERT_TRUE(OIIO::ImageBufAlgo::fill(wide, {0, 0, 0}, {1, 0, 1}, {0, 1, 0}, {1, 1, 1}));
    ASSERT_TRUE(wide.write(folder.path("overscan.exr")));
    ASSERT_EQ(RenderIdentity(folder.path("overscan.exr"), folder.path("overscan.png")).exitCode, 0);
    const Picture framed = ReadPicture(folder.path("overscan.png"));
    ASSERT_EQ(std::tie(framed.width, framed.height), std::make_tuple(16, 12));
    for (int i = 0; i < 16 * 12 * 3; ++i) {
        EXPECT_NEAR(framed.samples[size_t(i)] / 255, wide.getchannel(i / 3 % 16, i / 48, 0, i % 3), 1.0 / 255) << i;
    }
    // Further channels (a depth, a mask) are not colour: they are not multiplied.
    const Picture extra = MakePicture(4, 4, 5, OIIO::TypeDesc::FLOAT, 0, 1);
    WritePicture(folder.path("extra.tif"), extra);
    ASSERT_EQ(RenderIdentity(folder.path("extra.tif"), folder.path("extra.exr")).exitCode, 0);
    const Picture multiplied = ReadPicture(folder.path("extra.exr"));
    EXPECT_FLOAT_EQ(multiplied.at(1, 2, 0), extra.at(1, 2, 0) * extra.at(1, 2, 3));
    EXPECT_EQ(multiplied.at(1, 2, 4), extra.at(1, 2, 4));
}

// Identity settings give back every sample type the library writes, exactly
// (negative and out-of-range values too), in the input's type, or refuse it
// naming the type; --depth 32 renders it rounded, saying so, and a format
// that holds a narrower type says that. RLA gets signed samples as float.
TEST(ToolOutput, EverySampleTypeComesBackExactlyOrIsRefused)
{
    using T = OIIO::TypeDesc;
    ScratchFolder folder;
    for (T type : {T::UINT8, T::INT8, T::UINT16, T::INT16, T::UINT32, T::INT32, T::HALF, T::FLOAT, T::DOUBLE}) {
        SCOPED_TRACE(type.c_str());
        // Names of their own: image buffers read files through a cache.
        const std::string extension = std::string(".") + type.c_str() + (type == T::HALF ? ".exr" : ".tif");
        const std::string in = folder.path("in" + extension), out = folder.path("out" + extension);
        OIIO::ImageBuf input(OIIO::ImageSpec(16, 8, 4, type));
        ASSERT_TRUE(OIIO::ImageBufAlgo::noise(input, "uniform", -1.5f, 1.5f, false, 7));
        ASSERT_TRUE(OIIO::ImageBufAlgo::fill(input, {-2.0f, 2.0f, 2.0f, -2.0f}, OIIO::ROI(0, 1, 0, 1)));
        ASSERT_TRUE(input.write(in, type));
        const RunResult run = RenderIdentity(in, out);
        const bool refused = type == T::DOUBLE || type == T::INT32 || type == T::UINT32;
        EXPECT_EQ(run.exitCode, refused ? 3 : 0) << run.err;
        if (refused) { // the library's names: "uint" for uint32, "int" for int32
            EXPECT_NE(run.err.find(std::string("samples are ") + type.c_str()), std::string::npos) << run.err;
            continue;
        }
        const OIIO::ImageBuf given(in), output(out);
        EXPECT_EQ(output.nativespec().format, type);
        EXPECT_EQ(OIIO::ImageBufAlgo::compare(given, output, 0, 0).maxerror, 0.0);
        EXPECT_TRUE(type != T::INT16 || RenderIdentity(in, folder.path("out.rla")).exitCode == 0); // as float
    }
    // --depth 16 takes 16-bit samples to the host's 0..32768 and back, rounded to the nearest each way.
    ASSERT_EQ(RenderIdentity(folder.path("in.uint16.tif"), folder.path("host16.tif"), {"--depth", "16"}).exitCode, 0);
    const Picture given = ReadPicture(folder.path("in.uint16.tif")), host16 = ReadPicture(folder.path("host16.tif"));
    for (size_t i = 0; i < given.samples.size(); ++i) {
        const double host = std::round(given.samples[i] * (32768.0 / 65535.0));
        ASSERT_EQ(host16.samples[i], std::round(host * (65535.0 / 32768.0))) << i << " of " << given.samples[i];
    }
    const RunResult rounded = RunIrisplit({"render", folder.path("in.double.tif"), folder.path("out.png"), "--depth", "32"});
    EXPECT_NE(rounded.err.find("--depth 32 rounds the samples to float precision"), std::string::npos) << rounded.err;
    EXPECT_NE(rounded.err.find("png files cannot hold double samples"), std::string::npos) << rounded.err;
}

// Files stored in fewer bits than their type, or compressed with loss, are
// written in whole samples with a lossless compression (an input's lossless
// one is kept within its format); texture metadata is not carried over, nor
// IPTC fields that the JPEG writer would store twice.
TEST(ToolOutput, OutputsKeepOnlyWhatTheirFormatsHold)
{
    ScratchFolder folder;
    OIIO::ImageBuf input(OIIO::ImageSpec(32, 32, 3, OIIO::TypeDesc::UINT16));
    ASSERT_TRUE(OIIO::ImageBufAlgo::noise(input, "uniform", 0.0f, 1.0f, false, 7));
    ASSERT_TRUE(OIIO::ImageBufAlgo::make_texture(OIIO::ImageBufAlgo::MakeTxTexture, input, folder.path("tex.tif"), {}));
    for (const auto& [name, bits, given, kept] :
         {std::tuple{"12.tif", 12, "", "zip"}, {"10.dpx", 10, "", "zip"}, {"1.tif", 1, "", "zip"},
          {"jpeg.tif", 0, "jpeg", "zip"}, {"lzw.tif", 0, "lzw", "lzw"}, {"tex.tif", 0, "", "zip"}}) {
        SCOPED_TRACE(name);
        OIIO::ImageSpec layout = input.nativespec();
        layout.set_format(bits == 1 || *given ? OIIO::TypeDesc::UINT8 : OIIO::TypeDesc::UINT16);
        layout.attribute("oiio:BitsPerSample", bits ? bits : int(layout.format.size()) * 8);
        layout.attribute("compression", *given ? given : "zip");
        OIIO::ImageBuf file(layout);
        ASSERT_TRUE(OIIO::ImageBufAlgo::paste(file, 0, 0, 0, 0, input));
        ASSERT_TRUE(std::string(name) == "tex.tif" || file.write(folder.path(name)));
        const std::string out = folder.path(std::string("out.") + name + ".tif"); // a name of its own: see above
        const RunResult run = RunIrisplit({"render", folder.path(name), out, "--blur", "2", "-q"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const OIIO::ImageSpec written = OIIO::ImageBuf(out).nativespec();
        EXPECT_EQ(written.get_int_attribute("oiio:BitsPerSample"), int(written.format.size()) * 8);
        EXPECT_EQ(written.get_string_attribute("compression"), kept);
        EXPECT_FALSE(written.find_attribute("textureformat"));
    }
    // Of another format, the output gets its own format's compression.
    Picture plain = MakePicture(8, 8, 3, OIIO::TypeDesc::FLOAT, 0, 1);
    plain.compression = "none";
    WritePicture(folder.path("none.tif"), plain);
    ASSERT_EQ(RenderIdentity(folder.path("none.tif"), folder.path("none.exr")).exitCode, 0);
    EXPECT_EQ(OIIO::ImageBuf(folder.path("none.exr")).nativespec().get_string_attribute("compression"), "zip");
    OIIO::ImageSpec described(8, 8, 3, OIIO::TypeDesc::UINT8);
    described.attribute("ImageDescription", "irisplit caption");
    described.attribute("IPTC:Caption", "irisplit caption");
    ASSERT_TRUE(OIIO::ImageBuf(described).write(folder.path("in.jpg")));
    ASSERT_EQ(RenderIdentity(folder.path("in.jpg"), folder.path("out.jpg")).exitCode, 0);
    std::ifstream file(folder.path("out.jpg"), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}}, captionRecord = "\x1c\x02\x78";
    EXPECT_EQ(bytes.find(captionRecord), bytes.rfind(captionRecord));
    EXPECT_NE(bytes.find(captionRecord), std::string::npos);
}

} // namespace
} // namespace tooltest
