// Runs the built irisplit binary as a user would and handles the image files
// the tests hand it.
#pragma once

#include <OpenImageIO/imageio.h>

#include <sys/resource.h>
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tooltest {

struct RunResult {
    int exitCode = -1; // minus the signal's number when a signal ended irisplit
    std::string out;   // standard output
    std::string err;   // standard error
};

struct RunOptions {
    rlim_t fileSizeLimit = RLIM_INFINITY;
    rlim_t addressSpaceLimit = RLIM_INFINITY;
    bool closedStdout = false; // standard output a pipe whose reader is gone
    bool closedStderr = false;
    std::vector<int> ignoredSignals; // of SIGINT, SIGTERM, SIGHUP: ignored by the caller, as nohup does
    std::vector<std::pair<std::string, std::string>> environment; // variables irisplit alone gets (LD_PRELOAD too)
    // Called while irisplit runs, with its process id and whether it still runs.
    std::function<void(pid_t, const std::function<bool()>& running)> whileRunning;
};

// irisplit with these arguments (each passed as one word).
RunResult RunIrisplit(const std::vector<std::string>& arguments, const RunOptions& options = {});

// A fresh folder for one test, removed at its end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    std::string path(const std::string& name) const { return (folder_ / name).string(); }
    std::vector<std::string> files() const; // names of everything in the folder, sorted

private:
    std::filesystem::path folder_;
};

// An image held as float samples with its file's layout.
struct Picture {
    int width = 0, height = 0, channels = 0;
    OIIO::TypeDesc format = OIIO::TypeDesc::UINT8; // sample type in the file
    std::vector<float> samples; // interleaved, in the file's own units (0..255, 0..65535, float)
    bool unassociatedAlpha = true; // how the file declares its alpha
    const char* compression = nullptr; // the format's default when none
    float& at(int x, int y, int c) { return samples[(size_t(y) * width + x) * channels + c]; }
    float at(int x, int y, int c) const { return samples[(size_t(y) * width + x) * channels + c]; }
};

// Samples in 0..1 (float files: as they are) from the file's own units and back.
double UnitsPerOne(OIIO::TypeDesc format);

// A picture with varied, deterministic content in the units of `format`.
Picture MakePicture(int width, int height, int channels, OIIO::TypeDesc format, float low, float high);
// Writes as stored (no alpha association), with the channel names given (the
// library's own when empty), in `parts` identical parts; fails the test on error.
void WritePicture(const std::string& path, const Picture& picture, const std::vector<std::string>& channelNames = {},
                  int parts = 1);
// Reads samples in the file's own units, alpha as stored.
Picture ReadPicture(const std::string& path);

} // namespace tooltest
