// Numbered file names ("plate.%04d.exr", "plate.#.exr") and frame lists.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace irisplit {

// A file name with at most one frame-number placeholder: printf-style %d or
// %0Nd, or a run of '#' and '@' as in oiiotool, where each '#' stands for four
// digits and each '@' for one ("#" and "@@@@" both give 0001).
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

// Frames to render, in the order given: "N", "A-B", "A-BxS" (every S-th
// frame from A up to B) and comma-separated lists of these, e.g. "1,5,10-20x2".
// The frames are worked out as they are asked for, so a long list costs
// nothing up front.
class FrameList {
public:
    FrameList() = default; // the single frame 1
    // Throws std::invalid_argument saying what is wrong with the text.
    static FrameList Parse(const std::string& text);

    size_t count() const;
    int at(size_t index) const; // index < count()

private:
    struct Run {
        int first;
        int last;
        int step;
        size_t count() const { return size_t((last - first) / step) + 1; }
    };
    std::vector<Run> runs_{{1, 1, 1}};
};

} // namespace irisplit
