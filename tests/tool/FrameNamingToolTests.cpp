// Which file each frame of a sequence reads and writes: every frame its own
// name, negative frames as oiiotool names them, and a name with '#' or '@'
// that is a file taken as that file.
#include "ToolTestSupport.h"

#include "opengl/AESDK_OpenGL_Binding.h"

#include <gtest/gtest.h>

namespace tooltest {
namespace {

constexpr int kUsage = 2;

class FrameNaming : public ::testing::Test {
protected:
    void SetUp() override { WritePicture(still, MakePicture(4, 3, 3, OIIO::TypeDesc::UINT8, 0, 255)); }

    RunResult Render(const std::string& in, const std::string& out, const std::vector<std::string>& more = {})
    {
        std::vector<std::string> arguments = {"render", folder.path(in), folder.path(out), "-q"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return RunIrisplit(arguments);
    }

    ScratchFolder folder;
    const std::string still = folder.path("still.png");
};

// A frame named twice would be rendered twice into one file: refused before
// anything is read or written, with or without -n, and found on ranges of
// any length without listing them.
TEST_F(FrameNaming, FrameNamedTwiceIsAUsageErrorBeforeAnythingIsWritten)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"1-3,2", "frame 2 twice"},
        {"-4--1,7,-2", "frame -2 twice"},
        {"1-99x4,3-99x6", "frame 9 twice"},                     // 1, 5, 9 and 3, 9
        {"1-999999999,999999999", "frame 999999999 twice"}};    // no list of a billion frames
    for (const auto& [frames, text] : cases) {
        for (const bool noClobber : {false, true}) {
            SCOPED_TRACE(frames);
            std::vector<std::string> more = {"--frames", frames};
            if (noClobber) {
                more.push_back("-n");
            }
            const RunResult run = Render("still.png", "out.#.png", more);
            EXPECT_EQ(run.exitCode, kUsage) << run.err;
            EXPECT_NE(run.err.find("irisplit: --frames: '" + frames + "' names " + text), std::string::npos)
                << run.err;
            EXPECT_EQ(folder.files(), std::vector<std::string>{"still.png"});
        }
    }
    // Ranges that interleave name no frame twice.
    const RunResult run = Render("still.png", "out.@.png", {"--frames", "1-5x2,2-6x2,7"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(folder.files().size(), 8u);
}

// Every frame gets a name of its own: a placeholder wider than any buffer
// still gives each frame its own number, one wider than a file system takes
// is refused before rendering, and negative frames carry their sign within
// the width as oiiotool and printf do (frame -2 of '#' is -002).
TEST_F(FrameNaming, EachFrameHasANameOfItsOwn)
{
    ASSERT_EQ(Render("still.png", "wide.%040d.png", {"--frames", "1,2"}).exitCode, 0);
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"still.png", "wide." + std::string(39, '0') + "1.png",
                                                        "wide." + std::string(39, '0') + "2.png"}));

    const RunResult tooLong = Render("still.png", "long.%250d.png", {"--frames", "1"});
    EXPECT_EQ(tooLong.exitCode, kUsage) << tooLong.err;
    EXPECT_NE(tooLong.err.find("file systems take 255"), std::string::npos) << tooLong.err;

    for (const char* name : {"in.-02.png", "in.-01.png", "in.003.png"}) {
        WritePicture(folder.path(name), MakePicture(4, 3, 3, OIIO::TypeDesc::UINT8, 0, 255));
    }
    const RunResult negative = Render("in.%03d.png", "out.#.png", {"--frames", "-2--1,3", "--position", "-2:0,3:5"});
    ASSERT_EQ(negative.exitCode, 0) << negative.err;
    for (const char* name : {"out.-002.png", "out.-001.png", "out.0003.png"}) {
        EXPECT_EQ(ReadPicture(folder.path(name)).width, 4) << name;
    }
}

// Without --frames a name that is a file is that file, '#' and '@' and all,
// and OUT is then written as named; a numbered name that is no file still
// asks for --frames.
TEST_F(FrameNaming, NameWithPlaceholderCharactersThatIsAFileIsThatFile)
{
    WritePicture(folder.path("icon@2x.png"), MakePicture(4, 3, 3, OIIO::TypeDesc::UINT8, 0, 255));
    const RunResult run = Render("icon@2x.png", "split@2x.png", {"--position", "1"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"icon@2x.png", "split@2x.png", "still.png"}));

    const RunResult absent = Render("absent@2x.png", "out.png");
    EXPECT_EQ(absent.exitCode, kUsage) << absent.err;
    EXPECT_NE(absent.err.find("need --frames"), std::string::npos) << absent.err;
}

// Each render thread takes one of the effect's fixed contexts, one of which
// is its root context: all the others serve frames at once, one more is refused.
TEST_F(FrameNaming, AsManyRenderThreadsAsTheEffectHasContexts)
{
    const int most = AESDK_OpenGL::kBindingHandleCount - 1;
    const RunResult run = Render("still.png", "out.#.png",
                                 {"--frames", "1-" + std::to_string(most), "--threads", std::to_string(most)});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(folder.files().size(), size_t(most) + 1);
    EXPECT_EQ(Render("still.png", "more.#.png", {"--frames", "1-99", "--threads", std::to_string(most + 1)}).exitCode,
              kUsage);
}

} // namespace
} // namespace tooltest
