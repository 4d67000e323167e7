#include "FrameSequence.h"

#include <cctype>
#include <cstdio>
#include <stdexcept>

namespace irisplit {
namespace {

struct Placeholder {
    size_t start;
    size_t length;
    int width;
};

// The placeholder starting at `at`, if there is one there.
bool PlaceholderAt(const std::string& name, size_t at, Placeholder& found)
{
    if (name[at] == '#') {
        size_t end = at;
        while (end < name.size() && name[end] == '#') {
            ++end;
        }
        found = {at, end - at, int(end - at)};
        return true;
    }
    if (name[at] != '%') {
        return false;
    }
    size_t end = at + 1;
    while (end < name.size() && std::isdigit(static_cast<unsigned char>(name[end]))) {
        ++end;
    }
    if (end >= name.size() || name[end] != 'd' || end - at > 4) {
        return false;
    }
    const std::string digits = name.substr(at + 1, end - at - 1);
    found = {at, end + 1 - at, digits.empty() ? 0 : std::stoi(digits)};
    return true;
}

} // namespace

FilePattern FilePattern::Parse(const std::string& name)
{
    FilePattern pattern;
    pattern.prefix_ = name;
    for (size_t at = 0; at < name.size(); ++at) {
        Placeholder found{};
        if (!PlaceholderAt(name, at, found)) {
            continue;
        }
        if (pattern.numbered_) {
            throw std::invalid_argument("'" + name + "' has more than one frame-number placeholder");
        }
        pattern.numbered_ = true;
        pattern.prefix_ = name.substr(0, found.start);
        pattern.suffix_ = name.substr(found.start + found.length);
        pattern.width_ = found.width;
        at += found.length - 1;
    }
    return pattern;
}

std::string FilePattern::at(int frame) const
{
    if (!numbered_) {
        return prefix_;
    }
    char digits[32];
    std::snprintf(digits, sizeof digits, "%0*d", width_, frame);
    return prefix_ + digits + suffix_;
}

FrameRange FrameRange::Parse(const std::string& text)
{
    const auto number = [&](const std::string& part) {
        if (part.empty() || part.size() > 9 ||
            part.find_first_not_of("0123456789") != std::string::npos) {
            throw std::invalid_argument("'" + text + "' is not a frame range A-B");
        }
        return std::stoi(part);
    };
    const size_t dash = text.find('-');
    FrameRange range;
    range.first = number(text.substr(0, dash));
    range.last = dash == std::string::npos ? range.first : number(text.substr(dash + 1));
    if (range.last < range.first) {
        throw std::invalid_argument("frame range '" + text + "' ends before it starts");
    }
    return range;
}

} // namespace irisplit
