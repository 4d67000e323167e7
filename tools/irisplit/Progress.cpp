#include "Progress.h"

#include <unistd.h>

namespace irisplit {
namespace {

constexpr int kBarWidth = 30;

std::string MinutesAndSeconds(double seconds)
{
    const long whole = long(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

} // namespace

Progress::Progress(int totalFrames, bool quiet, std::FILE* stream)
    : stream_(stream), total_(totalFrames), quiet_(quiet), terminal_(::isatty(::fileno(stream)) == 1)
{
}

Progress::~Progress()
{
    if (!quiet_ && terminal_ && done_ > 0) {
        std::fputc('\n', stream_);
    }
}

void Progress::frameDone(int frame, const std::string& path)
{
    std::lock_guard<std::mutex> lock(mutex_);
    ++done_;
    if (quiet_) {
        return;
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
    const double fps = elapsed > 0.0 ? done_ / elapsed : 0.0;
    const double left = fps > 0.0 ? (total_ - done_) / fps : 0.0;
    if (terminal_) {
        const int filled = done_ * kBarWidth / total_;
        std::fprintf(stream_, "\r[%s%s] %d/%d frames  %.2f fps  %s left ",
                     std::string(filled, '#').c_str(), std::string(kBarWidth - filled, '.').c_str(),
                     done_, total_, fps, MinutesAndSeconds(left).c_str());
    } else {
        std::fprintf(stream_, "frame %d written to %s (%d/%d, %.2f fps, %s left)\n", frame,
                     path.c_str(), done_, total_, fps, MinutesAndSeconds(left).c_str());
    }
    std::fflush(stream_);
}

} // namespace irisplit
