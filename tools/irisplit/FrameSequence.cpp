#include "FrameSequence.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <numeric>
#include <sstream>
#include <stdexcept>

namespace irisplit {
namespace {

// Frame numbers have at most nine digits and a sign.
constexpr int kFrameDigits = 9;

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

std::invalid_argument NotAFrameList(const std::string& text)
{
    return std::invalid_argument("'" + text + "' is not a frame list (N, A-B, A-BxSTEP, comma separated)");
}

// Reads a whole number of at most nine digits at `at` (a sign first where
// `signedNumber`), and moves `at` past it.
int ReadNumber(const std::string& item, size_t& at, bool signedNumber, const std::string& text)
{
    const size_t start = at;
    if (signedNumber && at < item.size() && item[at] == '-') {
        ++at;
    }
    const size_t digits = at;
    while (at < item.size() && std::isdigit(static_cast<unsigned char>(item[at]))) {
        ++at;
    }
    if (at == digits || at - digits > size_t(kFrameDigits)) {
        throw NotAFrameList(text);
    }
    return std::stoi(item.substr(start, at - start));
}

// x mod m in 0..m-1.
int64_t Modulo(__int128 x, int64_t m)
{
    const auto r = int64_t(x % m);
    return r < 0 ? r + m : r;
}

// a*p + b*q = gcd(a, b) for positive a and b.
int64_t Gcd(int64_t a, int64_t b, int64_t& p, int64_t& q)
{
    if (b == 0) {
        p = 1, q = 0;
        return a;
    }
    int64_t p1 = 0, q1 = 0;
    const int64_t g = Gcd(b, a % b, p1, q1);
    p = q1, q = p1 - (a / b) * q1;
    return g;
}

} // namespace

FilePattern FilePattern::Parse(const std::string& name)
{
    FilePattern pattern = Literal(name);
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
    if (pattern.numbered_) {
        // The part of the name between the slashes around the frame number.
        const size_t slash = pattern.prefix_.rfind('/');
        const size_t start = slash == std::string::npos ? 0 : slash + 1;
        const size_t end = std::min(pattern.suffix_.find('/'), pattern.suffix_.size());
        const size_t longest = pattern.prefix_.size() - start + size_t(std::max(pattern.width_, kFrameDigits + 1)) + end;
        if (longest > NAME_MAX) {
            throw std::invalid_argument("'" + name + "' makes file names of up to " + std::to_string(longest) +
                                        " bytes; file systems take " + std::to_string(NAME_MAX));
        }
    }
    return pattern;
}

FilePattern FilePattern::Literal(const std::string& name)
{
    FilePattern pattern;
    pattern.prefix_ = name;
    return pattern;
}

std::string FilePattern::at(int frame) const
{
    if (!numbered_) {
        return prefix_;
    }
    std::string digits(size_t(std::max(width_, kFrameDigits + 1)) + 1, '\0');
    digits.resize(size_t(std::snprintf(digits.data(), digits.size(), "%0*d", width_, frame)));
    return prefix_ + digits + suffix_;
}

std::optional<int> FilePattern::frameOf(const std::string& path) const
{
    const size_t fixed = prefix_.size() + suffix_.size();
    if (path.size() <= fixed || path.compare(0, prefix_.size(), prefix_) != 0 ||
        path.compare(path.size() - suffix_.size(), suffix_.size(), suffix_) != 0) {
        return std::nullopt;
    }
    const std::string number = path.substr(prefix_.size(), path.size() - fixed);
    size_t at = 0;
    try {
        const int frame = ReadNumber(number, at, true, number);
        return at == number.size() && this->at(frame) == path ? std::optional<int>(frame) : std::nullopt;
    } catch (const std::invalid_argument&) {
        return std::nullopt;
    }
}

FrameList FrameList::Parse(const std::string& text)
{
    FrameList list;
    list.runs_.clear();
    std::istringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        size_t at = 0;
        Run run{};
        run.first = run.last = ReadNumber(item, at, true, text);
        run.step = 1;
        if (at < item.size() && item[at] == '-') {
            run.last = ReadNumber(item, ++at, true, text);
            if (at < item.size() && item[at] == 'x') {
                run.step = ReadNumber(item, ++at, false, text);
            }
        }
        if (at != item.size()) {
            throw NotAFrameList(text);
        }
        if (run.last < run.first) {
            throw std::invalid_argument("frame range '" + item + "' ends before it starts");
        }
        if (run.step == 0) {
            throw std::invalid_argument("frame range '" + item + "' has a step of 0");
        }
        list.runs_.push_back(run);
    }
    if (list.runs_.empty() || text.back() == ',') {
        throw NotAFrameList(text);
    }
    CheckNoFrameTwice(list.runs_, text);
    return list;
}

// Each pair of runs that overlap is solved for the first frame both name
// (two congruences, by the Chinese remainder theorem), so that ranges of
// any length cost the same.
void FrameList::CheckNoFrameTwice(std::vector<Run> runs, const std::string& text)
{
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.first < b.first; });
    std::vector<Run> open; // runs that reach the current one's first frame
    for (const Run& run : runs) {
        open.erase(std::remove_if(open.begin(), open.end(), [&](const Run& o) { return o.last < run.first; }),
                   open.end());
        for (const Run& other : open) {
            int64_t p = 0, q = 0;
            const int64_t g = Gcd(other.step, run.step, p, q);
            if ((int64_t(run.first) - other.first) % g != 0) {
                continue;
            }
            const int64_t period = int64_t(other.step) / g * run.step;
            const int64_t k = Modulo(__int128((int64_t(run.first) - other.first) / g) * p, run.step / g);
            const int64_t common = other.first + int64_t(other.step) * k; // every `period` from here
            const int64_t firstCommon = run.first + Modulo(common - run.first, period);
            if (firstCommon <= std::min(run.last, other.last)) {
                throw std::invalid_argument("'" + text + "' names frame " + std::to_string(firstCommon) + " twice");
            }
        }
        open.push_back(run);
    }
}

size_t FrameList::count() const
{
    size_t total = 0;
    for (const Run& run : runs_) {
        total += run.count();
    }
    return total;
}

bool FrameList::contains(int frame) const
{
    return std::any_of(runs_.begin(), runs_.end(), [frame](const Run& run) {
        return frame >= run.first && frame <= run.last && (int64_t(frame) - run.first) % run.step == 0;
    });
}

int FrameList::at(size_t index) const
{
    for (const Run& run : runs_) {
        if (index < run.count()) {
            return int(run.first + int64_t(index) * run.step);
        }
        index -= run.count();
    }
    throw std::out_of_range("frame index beyond the list");
}

} // namespace irisplit
