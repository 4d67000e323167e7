#include "RendererLimits.h"

#include "Errors.h"

#include <algorithm>

namespace irisplit {
namespace {

constexpr int kEffectLargestSide = 65535;

} // namespace

irx_egl::DisplayChoice RendererChoice()
{
    try {
        return irx_egl::ChooseDisplay(irx_egl::ChoiceSettings::FromEnvironment());
    } catch (const irx_egl::ChoiceError& e) {
        throw FileError(std::string("no renderer for the effect: ") + e.what());
    }
}

int LargestFrameSide()
{
    const int largestTexture = RendererChoice().largestTexture;
    return largestTexture > 0 ? std::min(largestTexture, kEffectLargestSide) : kEffectLargestSide;
}

} // namespace irisplit
