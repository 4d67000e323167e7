// Numbered file names ("plate.%04d.exr", "plate.####.exr") and frame ranges.
#pragma once

#include <string>

namespace irisplit {

// A file name with at most one frame-number placeholder: printf-style %d or
// %0Nd, or a run of N '#' (N digits, zero padded).
class FilePattern {
public:
    // Throws std::invalid_argument for a name with two placeholders.
    static FilePattern Parse(const std::string& name);

    bool numbered() const { return numbered_; }
    std::string at(int frame) const; // the name itself when not numbered

private:
    std::string prefix_;
    std::string suffix_;
    int width_ = 0;
    bool numbered_ = false;
};

struct FrameRange {
    int first = 1;
    int last = 1;

    // "A-B" or a single frame "N", with 0 <= A <= B; throws std::invalid_argument.
    static FrameRange Parse(const std::string& text);
    int count() const { return last - first + 1; }
};

} // namespace irisplit
