// A numeric option's value: one number, or keyframes FRAME:VALUE,... that
// are interpolated linearly and held before the first and after the last.
#pragma once

#include <string>
#include <vector>

namespace irisplit {

class AnimatedValue {
public:
    struct Key {
        int frame;
        double value;
    };

    AnimatedValue() : AnimatedValue(0.0) {}
    explicit AnimatedValue(double constant) : keys_{{0, constant}} {}
    // Throws std::invalid_argument saying what is wrong with the text.
    static AnimatedValue Parse(const std::string& text);

    double at(int frame) const;
    const std::vector<Key>& keys() const { return keys_; } // sorted by frame, never empty

private:
    std::vector<Key> keys_;
};

} // namespace irisplit
