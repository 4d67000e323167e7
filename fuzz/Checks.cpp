#include "fuzz/Checks.h"

#include <cstdio>
#include <cstdlib>

namespace fuzz {
namespace {

// The codes the effect itself reports, and whatever the host injected.
bool IsExpectedCode(PF_Err code, const hostsim::Faults& f)
{
    for (const PF_Err known : {PF_Err_NONE, PF_Err_OUT_OF_MEMORY, A_Err_MISSING_SUITE, PF_Err_BAD_CALLBACK_PARAM}) {
        if (code == known) return true;
    }
    for (const PF_Err injected : {f.pixelFormatError, f.iterateError, f.pixelDataError, f.addParamError,
                                  f.checkoutLayerError, f.inputCheckoutError, f.outputCheckoutError,
                                  f.paramCheckoutError, f.paramCheckinError, f.layerCheckinError, f.abortCode}) {
        if (code == injected) return true;
    }
    return false;
}

bool LayoutFits(const hostsim::World& world, size_t pixelSize)
{
    const int64_t rowbytes = world.rowbytes();
    return pixelSize != 0 && rowbytes >= int64_t(world.width()) * int64_t(pixelSize) &&
           rowbytes % int64_t(pixelSize) == 0;
}

// Whether the effect may render the frame at all: both worlds present and
// not empty, a known format, rows it can address, an output of the input's
// size, and a size the render targets can hold.
bool Renderable(const hostsim::FrameRequest& request, const hostsim::World& output, int32_t maxTextureSize)
{
    const hostsim::World& input = request.input;
    const PF_PixelFormat format = request.faults.pixelFormat.value_or(input.format());
    return format == input.format() && output.format() == input.format() &&
           LayoutFits(input, input.pixelSize()) && LayoutFits(output, input.pixelSize()) &&
           output.width() == input.width() && output.height() == input.height() &&
           input.width() <= maxTextureSize && input.height() <= maxTextureSize && input.width() <= 65535 &&
           input.height() <= 65535;
}

bool Empty(const hostsim::FrameRequest& request, const hostsim::World& output)
{
    return request.faults.nullInputWorld || request.faults.nullOutputWorld || request.input.width() == 0 ||
           request.input.height() == 0 || output.width() == 0 || output.height() == 0;
}

} // namespace

void Require(bool holds, const std::string& what)
{
    if (!holds) {
        std::fprintf(stderr, "effect fault: %s\n", what.c_str());
        std::abort();
    }
}

void CheckCommand(const char* command, const hostsim::CommandSetup& setup, const hostsim::CommandResult& result,
                  bool hostContextCurrent)
{
    const std::string name = command;
    Require(IsExpectedCode(result.result, setup.faults),
            name + " returned " + std::to_string(result.result) + ", neither its own code nor the host's");
    Require(result.leftovers.clean(), name + " left " + result.leftovers.describe());
    Require(result.misuse.empty(), name + " misused the host: " + (result.misuse.empty() ? "" : result.misuse[0]));
    Require(hostContextCurrent, name + " did not put the host's OpenGL context back");
}

void CheckFrame(const hostsim::FrameRequest& request, const hostsim::FrameResult& result, int32_t maxTextureSize)
{
    Require(result.guardsIntact(), "smart render wrote out of bounds: " + result.guardDamage);
    Require(result.inputUntouched, "smart render wrote into the input");
    for (size_t i = 0; i < result.paramCheckouts.size(); ++i) {
        Require(result.paramCheckins[i] == result.paramCheckouts[i],
                "parameter " + std::to_string(i) + " checked out " + std::to_string(result.paramCheckouts[i]) +
                    " times, checked in " + std::to_string(result.paramCheckins[i]));
    }
    Require(result.inputCheckouts == 0 || result.inputCheckins > 0, "the input was never checked in");
    if (result.result == PF_Err_NONE && result.inputCheckouts > 0 && !Empty(request, result.output)) {
        Require(Renderable(request, result.output, maxTextureSize), "a frame it cannot render reported as rendered");
    }
}

} // namespace fuzz
