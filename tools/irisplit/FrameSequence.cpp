#include "FrameSequence.h"

#include <cctype>
#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace irisplit {
namespace {

struct Placeholder {
    size_t start;
    size_t length;
    int width;
};

// A run of '#' (four digits each) and '@' (one digit each) starting at `at`.
Placeholder WildcardRun(const std::string& name, size_t at)
{
    size_t end = at;
    int width = 0;
    for (; end < name.size() && (name[end] == '#' || name[end] == '@'); ++end) {
        width += name[end] == '#' ? 4 : 1;
    }
    return {at, end - at, width};
}

// The placeholder starting at `at`, if there is one there.
bool PlaceholderAt(const std::string& name, size_t at, Placeholder& found)
{
    if (name[at] == '#' || name[at] == '@') {
        found = WildcardRun(name, at);
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

// A frame number of at most nine digits.
int FrameNumber(const std::string& part, const std::string& whole)
{
    if (part.empty() || part.size() > 9 || part.find_first_not_of("0123456789") != std::string::npos) {
        throw std::invalid_argument("'" + whole + "' is not a frame list (N, A-B, A-BxSTEP, comma separated)");
    }
    return std::stoi(part);
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

FrameList FrameList::Parse(const std::string& text)
{
    FrameList list;
    list.runs_.clear();
    std::istringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        const size_t dash = item.find('-');
        const size_t times = item.find('x', dash == std::string::npos ? 0 : dash);
        Run run{};
        run.first = FrameNumber(item.substr(0, dash), text);
        run.last = dash == std::string::npos ? run.first : FrameNumber(item.substr(dash + 1, times - dash - 1), text);
        run.step = times == std::string::npos ? 1 : FrameNumber(item.substr(times + 1), text);
        if (run.last < run.first) {
            throw std::invalid_argument("frame range '" + item + "' ends before it starts");
        }
        if (run.step == 0) {
            throw std::invalid_argument("frame range '" + item + "' has a step of 0");
        }
        list.runs_.push_back(run);
    }
    if (list.runs_.empty() || text.back() == ',') {
        FrameNumber("", text);
    }
    return list;
}

size_t FrameList::count() const
{
    size_t total = 0;
    for (const Run& run : runs_) {
        total += run.count();
    }
    return total;
}

int FrameList::at(size_t index) const
{
    for (const Run& run : runs_) {
        if (index < run.count()) {
            return run.first + int(index) * run.step;
        }
        index -= run.count();
    }
    throw std::out_of_range("frame index beyond the list");
}

} // namespace irisplit
