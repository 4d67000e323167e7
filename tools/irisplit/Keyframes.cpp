#include "Keyframes.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace irisplit {
namespace {

double ParseNumber(const std::string& text)
{
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE || !std::isfinite(value)) {
        throw std::invalid_argument("'" + text + "' is not a number");
    }
    return value;
}

int ParseFrame(const std::string& text)
{
    char* end = nullptr;
    errno = 0;
    const long frame = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE || frame < -1000000000L ||
        frame > 1000000000L) {
        throw std::invalid_argument("'" + text + "' is not a frame number");
    }
    return int(frame);
}

} // namespace

AnimatedValue AnimatedValue::Parse(const std::string& text)
{
    if (text.find(':') == std::string::npos) {
        return AnimatedValue(ParseNumber(text));
    }
    AnimatedValue animated;
    animated.keys_.clear();
    std::istringstream list(text);
    std::string item;
    while (std::getline(list, item, ',')) {
        const size_t colon = item.find(':');
        if (colon == std::string::npos) {
            throw std::invalid_argument("keyframe '" + item + "' is not FRAME:VALUE");
        }
        animated.keys_.push_back({ParseFrame(item.substr(0, colon)), ParseNumber(item.substr(colon + 1))});
    }
    if (animated.keys_.empty() || text.back() == ',') {
        throw std::invalid_argument("'" + text + "' has an empty keyframe");
    }
    std::sort(animated.keys_.begin(), animated.keys_.end(),
              [](const Key& a, const Key& b) { return a.frame < b.frame; });
    for (size_t i = 1; i < animated.keys_.size(); ++i) {
        if (animated.keys_[i].frame == animated.keys_[i - 1].frame) {
            throw std::invalid_argument("frame " + std::to_string(animated.keys_[i].frame) +
                                        " has two keyframes");
        }
    }
    return animated;
}

double AnimatedValue::at(int frame) const
{
    if (frame <= keys_.front().frame) {
        return keys_.front().value;
    }
    if (frame >= keys_.back().frame) {
        return keys_.back().value;
    }
    const auto next = std::upper_bound(keys_.begin(), keys_.end(), frame,
                                       [](int f, const Key& key) { return f < key.frame; });
    const Key& a = *(next - 1);
    const Key& b = *next;
    const double t = double(frame - a.frame) / double(b.frame - a.frame);
    return a.value + (b.value - a.value) * t;
}

} // namespace irisplit
