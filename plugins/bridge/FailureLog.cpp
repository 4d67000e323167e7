#include "FailureLog.h"

#include <cstdio>
#include <mutex>
#include <new>
#include <set>
#include <sstream>

namespace irisplit_bridge {
namespace {

// `why`, the effect's lines, as one: blank lines dropped, the rest joined by "; ".
std::string OneLine(const std::string& why) {
    std::istringstream lines(why);
    std::string line, joined;
    while (std::getline(lines, line)) {
        const size_t begin = line.find_first_not_of(" \t\r"), end = line.find_last_not_of(" \t\r");
        if (begin == std::string::npos) continue;
        joined += (joined.empty() ? "" : "; ") + line.substr(begin, end + 1 - begin);
    }
    return joined;
}

} // namespace

FrameFailure UnusableEffect(const std::exception& e, const std::string& why) {
    const std::string reason = OneLine(why);
    const std::string text =
        std::string(e.what()) + (reason.empty() ? "" : " (" + reason + ")") + "; frames pass through unchanged";
    return FrameFailure(text, text);
}

void ReportOnce(const std::string& kind, const std::string& message) {
    static std::mutex mutex;
    static std::set<std::string> reported;
    const std::lock_guard<std::mutex> lock(mutex);
    if (!reported.insert(kind).second) return;
    // One write per line, so that lines of other threads and of the host stay whole.
    const std::string line = "irisplit: " + message + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void ReportCurrentException(const std::string& what, const std::string& then) {
    std::string text = what + " failed";
    try {
        throw;
    } catch (const FrameFailure& failure) {
        ReportOnce(failure.kind, failure.what());
        return;
    } catch (const std::bad_alloc&) {
        text += ": out of memory";
    } catch (const std::exception& e) {
        text += std::string(": ") + e.what();
    } catch (...) {
    }
    text += then;
    ReportOnce(text, text);
}

} // namespace irisplit_bridge
