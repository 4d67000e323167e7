// What irisplit promises around a render: no file replaced by a broken one,
// nothing left behind by an interrupt, standard output kept for the user,
// and closed pipes that never stop a render.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <thread>

namespace tooltest {
namespace {

// A write cut short by the file size limit, encoded in memory (PNG) or by its
// writer (TIFF), is reported; the old file stays and no temporary is left.
TEST(ToolSafety, FailedWriteKeepsTheOldFileAndLeavesNoTemporary)
{
    for (const std::string extension : {"png", "tif"}) {
        SCOPED_TRACE(extension);
        ScratchFolder folder;
        const std::vector<std::string> files = {"in." + extension, "out." + extension};
        const std::string in = folder.path(files[0]), out = folder.path(files[1]);
        WritePicture(in, MakePicture(64, 64, 4, OIIO::TypeDesc::UINT8, 0, 255));
        const Picture old = MakePicture(4, 4, 3, OIIO::TypeDesc::UINT8, 0, 1);
        WritePicture(out, old);
        RunOptions options;
        options.fileSizeLimit = 4096; // well below what the output takes
        const RunResult run = RunIrisplit({"render", in, out, "--blur", "2", "-q"}, options);
        EXPECT_EQ(run.exitCode, 3) << run.out << run.err;
        EXPECT_EQ(run.err.find("irisplit: cannot write '" + out + "': File too large"), 0u) << run.err;
        EXPECT_EQ(ReadPicture(out).samples, old.samples);
        EXPECT_EQ(folder.files(), files);
    }
}

// An interrupt during an endless sequence (its frames made as they are
// needed) ends it by that signal; every frame written is complete and no
// temporary file is left. Signals the caller ignores stay ignored: the
// lowest-numbered pending signal is taken first, so SIGHUP or SIGINT would
// end it before the SIGTERM sent after them.
TEST(ToolSafety, InterruptRemovesTemporariesKeepsFinishedFramesAndEndsBySignal)
{
    for (const std::vector<int>& sent : {std::vector<int>{SIGINT}, {SIGTERM}, {SIGHUP}, {SIGHUP, SIGINT, SIGTERM}}) {
        SCOPED_TRACE(testing::PrintToString(sent));
        ScratchFolder folder;
        WritePicture(folder.path("still.png"), MakePicture(96, 64, 3, OIIO::TypeDesc::UINT8, 0, 255));
        RunOptions options;
        options.ignoredSignals = std::vector<int>(sent.begin(), sent.end() - 1); // all but the last
        options.whileRunning = [&](pid_t pid, const std::function<bool()>& running) {
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(2);
            // Frames finish in any order: wait for any two.
            const auto finished = [&] {
                const std::vector<std::string> files = folder.files();
                return std::count_if(files.begin(), files.end(), [](const std::string& f) { return f[0] == 'o'; });
            };
            while (running() && finished() < 2 && std::chrono::steady_clock::now() < giveUp) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            for (int signal : sent) ::kill(pid, signal);
        };
        const RunResult run = RunIrisplit(
            {"render", folder.path("still.png"), folder.path("out.#.png"), "--frames", "1-999999999", "-q"}, options);
        EXPECT_EQ(run.exitCode, -sent.back()) << run.out << run.err;
        const std::vector<std::string> files = folder.files();
        EXPECT_GE(files.size(), 3u);
        for (const std::string& name : files) {
            EXPECT_NE(name[0], '.') << "temporary file left: " << name;
            EXPECT_EQ(ReadPicture(folder.path(name)).width, 96) << name;
        }
    }
}

// The effect's diagnostics go to standard error (nowhere with -q), never to
// standard output, and a pipe closed on either stream stops nothing.
TEST(ToolSafety, StandardOutputStaysTheUsersAndClosedPipesStopNothing)
{
    struct Case {
        const char* what;
        std::vector<std::string> options;
        bool closedStdout, closedStderr;
        // On standard error, and whether only once; none: it is empty.
        std::vector<std::pair<std::string, bool>> errorTexts;
    };
    for (const Case& c : {Case{"default", {}, false, false, {{"frame 3 written", true}, {"OpenGL Renderer: ", false}}},
                          Case{"quiet", {"-q"}, false, false, {}},
                          Case{"closed stdout", {}, true, false, {{"frame 3 written", true}}},
                          Case{"closed stderr", {}, false, true, {}},
                          Case{"narrower depth", {"--depth", "8"}, false, false, {{"--depth 8 clips the samples", true}}}}) {
        SCOPED_TRACE(c.what);
        ScratchFolder folder;
        WritePicture(folder.path("still.exr"), MakePicture(8, 8, 3, OIIO::TypeDesc::FLOAT, -1, 2));
        std::vector<std::string> arguments = {"render", folder.path("still.exr"), folder.path("out.@.exr"),
                                              "--frames", "1-3", "--threads", "2"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        RunOptions options;
        options.closedStdout = c.closedStdout;
        options.closedStderr = c.closedStderr;
        const RunResult run = RunIrisplit(arguments, options);
        EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
        EXPECT_EQ(folder.files(), (std::vector<std::string>{"out.1.exr", "out.2.exr", "out.3.exr", "still.exr"}));
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.empty(), c.errorTexts.empty()) << run.err;
        for (const auto& [text, once] : c.errorTexts) {
            EXPECT_NE(run.err.find(text), std::string::npos) << text << " in:\n" << run.err;
            EXPECT_TRUE(!once || run.err.find(text) == run.err.rfind(text)) << text << " more than once";
        }
    }
}

// Any of irisplit's threads that cannot start ends the render with one line
// naming it, exit 3; memory that runs out midway (the large input's world,
// not its samples) is said to be out of memory, exit 3. Never an abort, and
// no temporary file is left.
TEST(ToolSafety, ThreadsAndMemoryThatCannotBeHadAreReported)
{
    ScratchFolder folder;
    WritePicture(folder.path("small.png"), MakePicture(64, 64, 3, OIIO::TypeDesc::UINT8, 0, 255));
    WritePicture(folder.path("large.png"), MakePicture(1024, 1024, 3, OIIO::TypeDesc::UINT8, 0, 255));
    int failed = 0;
    for (int start = 0; start <= 7; ++start) { // signals, two render threads, reading, a writer per core
        const bool memory = start == 0;
        RunOptions options;
        options.environment = {{"LD_PRELOAD", RESOURCE_FAULTS_PATH},
                               {memory ? "IRX_FAIL_ALLOCATIONS_FROM" : "IRX_FAIL_THREAD_START",
                                std::to_string(memory ? 7 << 19 : start)}};
        const RunResult run = RunIrisplit({"render", folder.path(memory ? "large.png" : "small.png"),
                                           folder.path("out.#.png"), "--frames", "1-3", "--threads", "2", "-q"},
                                          options);
        failed += run.exitCode != 0;
        EXPECT_TRUE(run.exitCode == 0 || run.exitCode == 3) << start << run.err;
        EXPECT_TRUE(run.exitCode == 0 || run.err.find(memory ? "irisplit: out of memory" : "irisplit: cannot start ") == 0)
            << start << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), run.exitCode ? 1 : 0) << start << run.err;
        for (const std::string& name : folder.files()) EXPECT_EQ(name.find(".partial"), std::string::npos) << name;
    }
    EXPECT_GE(failed, 6);
}

// Any output name the file system takes can be written, the temporary name
// beside it cut to fit: one of 255 bytes, and a numbered one whose frame
// numbers may grow to that (a sign and nine digits). One of 256 is refused
// before rendering.
TEST(ToolSafety, NamesAsLongAsTheFileSystemTakes)
{
    ScratchFolder folder;
    WritePicture(folder.path("in.png"), MakePicture(8, 8, 3, OIIO::TypeDesc::UINT8, 0, 255));
    const std::string longest(251, 'x'), numbered(241, 'n');
    for (const std::string& name : {longest + ".png", numbered + "#.png", longest + "y.png"}) {
        const RunResult run = RunIrisplit({"render", folder.path("in.png"), folder.path(name), "--frames", "1", "-q"});
        EXPECT_EQ(run.exitCode, name.size() > 255 ? 3 : 0) << run.err;
        EXPECT_EQ(run.err, name.size() > 255 ? "irisplit: cannot write '" + folder.path(name) + "': its name is 256 "
                                               "bytes long, and the file system takes at most 255\n" : "");
    }
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"in.png", numbered + "0001.png", longest + ".png"}));
}

// What irisplit reports goes to standard output: all the host learns from
// the module, its version, and help that explains every control.
TEST(ToolSafety, ReportsGoToStandardOutput)
{
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
        {{"info"},
         {"PiPL (12 properties)", "name  id 0, 16 bytes: \"Irisplit 2.0\"", "eINF  id 0, 2 bytes: 0x0000",
          "eMNA  id 0, 8 bytes: \"Vantrel\"", "aeFL  id 0, 4 bytes: 0x00000008", "match name \"ADBE Kaleon\"",
          "kind eFKT, API 13.15", "Irisplit v2.0\nSeparates color channels", "my_version 0x00100001 = 2.0",
          "num_params 6", "\"Position\"  id 2, float slider, valid -2000 to 2000, slider -500 to 500, default 0.5",
          "\"Blur\"  id 5, float slider, valid 0 to 1000, slider 0 to 100, default 0"}},
        {{"--version"}, {"irisplit 2.0"}},
        {{"render", "--help"}, {"--no-clobber", "clockwise", "sigma B/sqrt(2)", "mirrors", "1-100x2", "# (four"}}};
    for (const auto& [arguments, texts] : cases) {
        const RunResult run = RunIrisplit(arguments);
        EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
        for (const std::string& text : texts) {
            EXPECT_NE(run.out.find(text), std::string::npos) << "missing '" << text << "' in:\n" << run.out;
        }
    }
}

} // namespace
} // namespace tooltest
