#include "Traffic.h"

#include "hostsim/World.h"

namespace {

// The render targets hold four 32-bit floats per pixel.
constexpr double kTargetPixelBytes = 16;

} // namespace

FrameTraffic CountTraffic(int32_t width, int32_t height, PF_PixelFormat format, bool blurOn)
{
    const double pixels = static_cast<double>(width) * height;
    // The input texture keeps the host's depth, so a texel is a host pixel.
    const double hostPixelBytes = static_cast<double>(hostsim::PixelSize(format));
    const bool isFloat = format == PF_PixelFormat_ARGB128;

    FrameTraffic traffic;
    // Host buffer into the texture; float frames first go through a staging copy.
    traffic.upload = pixels * hostPixelBytes * (isFloat ? 4 : 2);
    // Every pass clears its target, reads its source and writes its target.
    const double offsetPass = pixels * (2 * kTargetPixelBytes + hostPixelBytes);
    const double blurPass = pixels * 3 * kTargetPixelBytes;
    traffic.passes = offsetPass + (blurOn ? 2 * blurPass : 0);
    // Target into the host block, then the block into the output world.
    traffic.readBack = pixels * (kTargetPixelBytes + 3 * hostPixelBytes);
    return traffic;
}
