#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <random>

#include <sys/wait.h>
#include <unistd.h>

namespace tooltest {

double UnitsPerOne(OIIO::TypeDesc format)
{
    return format == OIIO::TypeDesc::UINT8 ? 255.0 : format == OIIO::TypeDesc::UINT16 ? 65535.0 : 1.0;
}

namespace {

// All a scratch file holds, and the file closed.
std::string Contents(std::FILE* file)
{
    std::fseek(file, 0, SEEK_END);
    std::string text(size_t(std::ftell(file)), '\0');
    std::rewind(file);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    return text;
}

} // namespace

RunResult RunIrisplit(const std::vector<std::string>& arguments, const RunOptions& options)
{
    // Files rather than pipes, so a long output never stalls irisplit; a
    // pipe whose read end is closed at once for a stream that must not matter.
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    int closedPipe[2];
    EXPECT_EQ(::pipe(closedPipe), 0);
    std::vector<std::string> words{IRISPLIT_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    // The test's own environment with the options' variables in place of any of the same name.
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable = *entry;
        const auto named = [&](const auto& given) { return variable.rfind(given.first + "=", 0) == 0; };
        if (std::none_of(options.environment.begin(), options.environment.end(), named)) variables.push_back(variable);
    }
    for (const auto& [name, value] : options.environment) variables.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);
    const rlimit fileSize{options.fileSizeLimit, options.fileSizeLimit};
    const rlimit addressSpace{options.addressSpaceLimit, options.addressSpaceLimit};

    const pid_t pid = ::fork();
    if (pid == 0) { // only async-signal-safe calls until exec
        ::setrlimit(RLIMIT_FSIZE, &fileSize);
        ::setrlimit(RLIMIT_AS, &addressSpace);
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) { // whatever the test runner's are
            const bool ignored = std::count(options.ignoredSignals.begin(), options.ignoredSignals.end(), signal);
            ::signal(signal, ignored ? SIG_IGN : SIG_DFL);
        }
        ::dup2(options.closedStdout ? closedPipe[1] : ::fileno(out), STDOUT_FILENO);
        ::dup2(options.closedStderr ? closedPipe[1] : ::fileno(err), STDERR_FILENO);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(closedPipe[0]);
    ::close(closedPipe[1]);
    int status = 0;
    bool ended = false;
    const auto running = [&] { return !ended && !(ended = ::waitpid(pid, &status, WNOHANG) == pid); };
    if (options.whileRunning) options.whileRunning(pid, running);
    if (!ended) ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status), Contents(out), Contents(err)};
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

void WritePicture(const std::string& path, const Picture& picture, const std::vector<std::string>& channelNames,
                  int parts)
{
    OIIO::ImageSpec imageSpec(picture.width, picture.height, picture.channels, picture.format);
    if (!channelNames.empty()) {
        imageSpec.channelnames = channelNames;
        const auto alpha = std::find(channelNames.begin(), channelNames.end(), "A");
        imageSpec.alpha_channel = alpha == channelNames.end() ? -1 : int(alpha - channelNames.begin());
    }
    if (picture.unassociatedAlpha) imageSpec.attribute("oiio:UnassociatedAlpha", 1);
    if (picture.compression) imageSpec.attribute("compression", picture.compression);
    // Integer units go through 0..1 floats; OIIO rounds them back exactly.
    std::vector<float> unit(picture.samples);
    for (float& v : unit) v = float(v / UnitsPerOne(picture.format));
    const std::vector<OIIO::ImageSpec> specs(size_t(parts), imageSpec);
    auto out = OIIO::ImageOutput::create(path);
    ASSERT_TRUE(out) << OIIO::geterror();
    ASSERT_TRUE(out->open(path, parts, specs.data())) << out->geterror();
    for (int part = 0; part < parts; ++part) {
        ASSERT_TRUE(part == 0 || out->open(path, imageSpec, OIIO::ImageOutput::AppendSubimage)) << out->geterror();
        ASSERT_TRUE(out->write_image(OIIO::TypeDesc::FLOAT, unit.data())) << out->geterror();
    }
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
               std::vector<float>(imageSpec.image_pixels() * imageSpec.nchannels),
               imageSpec.get_int_attribute("oiio:UnassociatedAlpha") == 1};
    EXPECT_TRUE(in->read_image(0, 0, 0, imageSpec.nchannels, OIIO::TypeDesc::FLOAT, picture.samples.data()));
    const bool integer = picture.format != OIIO::TypeDesc::FLOAT && picture.format != OIIO::TypeDesc::HALF;
    for (float& v : picture.samples) {
        v = float(v * UnitsPerOne(picture.format));
        v = integer ? std::round(v) : v;
    }
    return picture;
}

} // namespace tooltest
