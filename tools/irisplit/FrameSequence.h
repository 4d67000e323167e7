// Numbered file names ("plate.%04d.exr", "plate.#.exr") and frame lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace irisplit {

// A file name with at most one frame-number placeholder: printf-style %d or
// %0Nd, or a run of '#' and '@' as in oiiotool, where each '#' stands for four
// digits and each '@' for one ("#" and "@@@@" both give 0001). A number wider
// than the placeholder is written whole, a negative one with its sign in the
// width, as printf does: frame -2 of "x.#.png" is "x.-002.png".
class FilePattern {
public:
    // Throws std::invalid_argument for a name with two placeholders, or one
    // whose numbered file names would be longer than a file system takes.
    static FilePattern Parse(const std::string& name);
    // The name as it is, placeholders and all.
    static FilePattern Literal(const std::string& name);

    bool numbered() const { return numbered_; }
    std::string at(int frame) const; // the name itself when not numbered

    // For a numbered name: whether the number is in the file's own name
    // rather than a folder's, the folder up to its last '/' (empty for the
    // current one), and the frame whose name `path` is, if any.
    bool numberedInFileName() const { return suffix_.find('/') == std::string::npos; }
    std::string folder() const { return prefix_.substr(0, prefix_.rfind('/') + 1); }
    std::optional<int> frameOf(const std::string& path) const;

private:
    std::string prefix_;
    std::string suffix_;
    int width_ = 0;
    bool numbered_ = false;
};

// Frames to render, in the order given: "N", "A-B", "A-BxS" (every S-th
// frame from A up to B) and comma-separated lists of these, e.g.
// "1,5,10-20x2"; frame numbers may be negative ("-10--1"). No frame may be
// named twice. The frames are worked out as they are asked for, so a long
// list costs nothing up front.
class FrameList {
public:
    FrameList() = default; // the single frame 1
    // Throws std::invalid_argument saying what is wrong with the text.
    static FrameList Parse(const std::string& text);

    size_t count() const;
    int at(size_t index) const; // index < count()
    bool contains(int frame) const;

private:
    struct Run {
        int first;
        int last;
        int step;
        size_t count() const { return size_t((int64_t(last) - first) / step) + 1; }
    };
    static void CheckNoFrameTwice(std::vector<Run> runs, const std::string& text);

    std::vector<Run> runs_{{1, 1, 1}};
};

} // namespace irisplit
