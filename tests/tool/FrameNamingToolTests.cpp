// Which file each frame of a sequence reads and writes.
#include "ToolTestSupport.h"

#include "opengl/AESDK_OpenGL_Binding.h"

#include <gtest/gtest.h>

namespace tooltest {
namespace {

RunResult Render(const ScratchFolder& folder, const std::string& in, const std::string& out,
                 const std::vector<std::string>& more)
{
    WritePicture(folder.path(in), MakePicture(4, 3, 3, OIIO::TypeDesc::UINT8, 0, 255));
    std::vector<std::string> arguments = {"render", folder.path(in), folder.path(out), "-q"};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return RunIrisplit(arguments);
}

// A placeholder wider than any buffer still gives each frame its own number;
// ranges that interleave name no frame twice; as many frames render at once
// as the effect has contexts besides its root one; negative frames carry
// their sign within the width as oiiotool does (-2 with '#': -002); without
// --frames a name with '@' that is a file is that file, and OUT is as named.
TEST(FrameNaming, EachFrameHasANameOfItsOwn)
{
    ScratchFolder folder;
    const std::string threads = std::to_string(AESDK_OpenGL::kBindingHandleCount - 1);
    const RunResult run = Render(folder, "still.png", "w.%040d.png", {"--frames", "1-125x2,2-6x2", "--threads", threads});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(folder.files().size(), 67u);
    EXPECT_EQ(folder.files().back(), "w." + std::string(37, '0') + "125.png");

    WritePicture(folder.path("in.-02.png"), MakePicture(4, 3, 3, OIIO::TypeDesc::UINT8, 0, 255));
    ASSERT_EQ(Render(folder, "in.003.png", "out.#.png", {"--frames", "-2,3", "--position", "-2:0,3:5"}).exitCode, 0);
    EXPECT_EQ(ReadPicture(folder.path("out.-002.png")).width, 4);
    EXPECT_EQ(ReadPicture(folder.path("out.0003.png")).width, 4);

    ASSERT_EQ(Render(folder, "icon@2x.png", "split@2x.png", {"--position", "1"}).exitCode, 0);
    EXPECT_EQ(ReadPicture(folder.path("split@2x.png")).width, 4);
}

} // namespace
} // namespace tooltest
