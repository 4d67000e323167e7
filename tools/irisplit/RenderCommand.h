// `irisplit render`: applies the effect to one image or a numbered sequence.
#pragma once

#include "opengl/Binding.h"

#include <optional>
#include <string>

namespace irisplit {

// Every render thread has an OpenGL context of its own, drawn from the
// effect's fixed pool, which also holds the effect's root context.
constexpr unsigned kMostRenderThreads = unsigned(irxgl::kBindingHandleCount - 1);

// The command line as typed; every check happens in RunRender.
struct RenderOptions {
    std::string input;
    std::string output;
    std::optional<std::string> channels; // none: the effect's default
    std::optional<std::string> position; // a number or FRAME:VALUE,... keyframes
    std::optional<std::string> rotation;
    std::optional<std::string> scale;
    std::optional<std::string> blur;
    std::optional<std::string> frames; // a frame list, e.g. "1-100x2,200"
    std::optional<int> depth;          // 8, 16 or 32; none: each file's own
    std::string downsample = "1/1";
    unsigned threads = 1; // 0: one per core (at most kMostRenderThreads)
    int pngCompression = 4; // zlib level of PNG outputs, 0..9
    bool quiet = false;
    bool noClobber = false;
    std::string modulePath; // empty: found by hostsim::ModuleForTool
};

// Throws UsageError, FileError or EffectError. Everything that can be checked
// without the effect is checked before its module is loaded.
void RunRender(const RenderOptions& options);

} // namespace irisplit
