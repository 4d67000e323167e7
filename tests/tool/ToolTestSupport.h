// Runs the built irisplit binary as a user would and handles the image files
// the tests hand it.
#pragma once

#include <OpenImageIO/imageio.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tooltest {

struct RunResult {
    int exitCode = -1;
    std::string output; // standard output and standard error together
};

// irisplit with these arguments (each passed as one word).
RunResult RunIrisplit(const std::vector<std::string>& arguments);

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
    float& at(int x, int y, int c) { return samples[(size_t(y) * width + x) * channels + c]; }
    float at(int x, int y, int c) const { return samples[(size_t(y) * width + x) * channels + c]; }
};

// A picture with varied, deterministic content in the units of `format`.
Picture MakePicture(int width, int height, int channels, OIIO::TypeDesc format, float low, float high);
// Writes as stored (no alpha association); fails the test on error.
void WritePicture(const std::string& path, const Picture& picture);
// Reads samples in the file's own units, alpha as stored.
Picture ReadPicture(const std::string& path);

} // namespace tooltest
