#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace tooltest {
namespace {

std::string ShellQuoted(const std::string& word)
{
    std::string quoted = "'";
    for (char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Samples in 0..1 (float files: as they are) from the file's own units and back.
double UnitsPerOne(OIIO::TypeDesc format)
{
    if (format == OIIO::TypeDesc::UINT8) {
        return 255.0;
    }
    return format == OIIO::TypeDesc::UINT16 ? 65535.0 : 1.0;
}

} // namespace

RunResult RunIrisplit(const std::vector<std::string>& arguments)
{
    std::string command = ShellQuoted(IRISPLIT_PATH);
    for (const std::string& argument : arguments) {
        command += " " + ShellQuoted(argument);
    }
    command += " 2>&1";
    RunResult result;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot start " << command;
        return result;
    }
    std::array<char, 4096> buffer;
    size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        result.output.append(buffer.data(), got);
    }
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

ScratchFolder::ScratchFolder()
{
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = std::filesystem::temp_directory_path() /
              ("irisplit-" + std::string(test->test_suite_name()) + "-" + test->name() + "-" +
               std::to_string(::getpid()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::vector<std::string> ScratchFolder::files() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

Picture MakePicture(int width, int height, int channels, OIIO::TypeDesc format, float low, float high)
{
    Picture picture{width, height, channels, format, std::vector<float>(size_t(width) * height * channels)};
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> noise(low, high);
    const bool integer = format != OIIO::TypeDesc::FLOAT;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                // Smooth ramps with noise on top: every channel differs from its neighbours.
                const float ramp = low + (high - low) * float((x * (c + 1) + y * (3 - c % 3)) % 17) / 16.0f;
                const float value = 0.5f * ramp + 0.5f * noise(random);
                picture.at(x, y, c) = integer ? std::round(value) : value;
            }
        }
    }
    return picture;
}

void WritePicture(const std::string& path, const Picture& picture)
{
    OIIO::ImageSpec imageSpec(picture.width, picture.height, picture.channels, picture.format);
    imageSpec.attribute("oiio:UnassociatedAlpha", 1);
    auto out = OIIO::ImageOutput::create(path);
    ASSERT_TRUE(out) << OIIO::geterror();
    ASSERT_TRUE(out->open(path, imageSpec)) << out->geterror();
    // Integer units go through 0..1 floats; OIIO rounds them back exactly.
    std::vector<float> unit(picture.samples);
    for (float& v : unit) {
        v = float(v / UnitsPerOne(picture.format));
    }
    ASSERT_TRUE(out->write_image(OIIO::TypeDesc::FLOAT, unit.data())) << out->geterror();
    ASSERT_TRUE(out->close());
}

Picture ReadPicture(const std::string& path)
{
    OIIO::ImageSpec hints;
    hints.attribute("oiio:UnassociatedAlpha", 1);
    auto in = OIIO::ImageInput::create(path);
    OIIO::ImageSpec imageSpec;
    Picture picture;
    if (!in || !in->open(path, imageSpec, hints)) {
        ADD_FAILURE() << "cannot read " << path << ": " << (in ? in->geterror() : OIIO::geterror());
        return picture;
    }
    picture = {imageSpec.width, imageSpec.height, imageSpec.nchannels, imageSpec.format,
               std::vector<float>(imageSpec.image_pixels() * imageSpec.nchannels)};
    EXPECT_TRUE(in->read_image(0, 0, 0, imageSpec.nchannels, OIIO::TypeDesc::FLOAT, picture.samples.data()));
    const bool integer = picture.format != OIIO::TypeDesc::FLOAT && picture.format != OIIO::TypeDesc::HALF;
    for (float& v : picture.samples) {
        v = float(v * UnitsPerOne(picture.format));
        v = integer ? std::round(v) : v;
    }
    return picture;
}

} // namespace tooltest
