#include "OutputFit.h"

#include "Errors.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <type_traits>
#include <vector>

namespace irisplit {
namespace {

constexpr const char* kUnassociatedAlpha = "oiio:UnassociatedAlpha";

bool IsColour(const Image& image, int channel)
{
    return channel == image.red || channel == image.green || channel == image.blue;
}

void SayOnce(const std::string& text)
{
    static std::atomic<bool> said{false};
    if (!said.exchange(true)) {
        std::fprintf(stderr, "irisplit: warning: %s (and so is any file like it)\n", text.c_str());
    }
}

// `image` with only the channels at `kept`, in that order, and an opaque
// alpha after them when `addAlpha`.
Image WithChannels(const Image& image, const std::vector<int>& kept, bool addAlpha)
{
    Image fitted;
    fitted.imageSpec = image.imageSpec;
    fitted.sampleType = image.sampleType;
    OIIO::ImageSpec& layout = fitted.imageSpec;
    layout.channelnames.clear();
    layout.channelformats.clear();
    layout.alpha_channel = -1;
    for (int c : kept) {
        const int at = int(layout.channelnames.size());
        layout.channelnames.push_back(image.imageSpec.channelnames[size_t(c)]);
        fitted.red = c == image.red ? at : fitted.red;
        fitted.green = c == image.green ? at : fitted.green;
        fitted.blue = c == image.blue ? at : fitted.blue;
        layout.alpha_channel = c == image.alpha ? at : layout.alpha_channel;
    }
    if (addAlpha) {
        layout.alpha_channel = int(layout.channelnames.size());
        layout.channelnames.push_back("A");
    }
    layout.nchannels = int(layout.channelnames.size());
    fitted.alpha = layout.alpha_channel;

    const size_t sampleSize = image.sampleType.size();
    std::vector<uint8_t> opaque(sampleSize);
    const float one = 1.0f;
    OIIO::convert_pixel_values(OIIO::TypeDesc::FLOAT, &one, image.sampleType, opaque.data());
    const size_t pixels = image.imageSpec.image_pixels();
    fitted.pixels.resize(pixels * size_t(layout.nchannels) * sampleSize);
    const uint8_t* in = image.pixels.data();
    uint8_t* out = fitted.pixels.data();
    for (size_t p = 0; p < pixels; ++p, in += size_t(image.imageSpec.nchannels) * sampleSize) {
        for (int c : kept) {
            std::memcpy(out, in + size_t(c) * sampleSize, sampleSize);
            out += sampleSize;
        }
        if (addAlpha) {
            std::memcpy(out, opaque.data(), sampleSize);
            out += sampleSize;
        }
    }
    return fitted;
}

// Multiplies colour by alpha, or divides it (where alpha is not 0), in the
// samples' own units: integer samples are rounded and kept within their range.
template <typename Sample>
void ChangeAssociation(Image& image, bool multiply, float white)
{
    auto* samples = reinterpret_cast<Sample*>(image.pixels.data());
    const size_t channels = size_t(image.imageSpec.nchannels);
    const bool integer = !std::is_floating_point<Sample>::value;
    for (Sample* pixel = samples; pixel < samples + image.imageSpec.image_pixels() * channels; pixel += channels) {
        const float alpha = float(pixel[image.alpha]) / white;
        if (!multiply && alpha == 0.0f) {
            continue;
        }
        for (int c : {image.red, image.green, image.blue}) {
            const float value = multiply ? float(pixel[c]) * alpha : float(pixel[c]) / alpha;
            pixel[c] = integer ? Sample(std::min(std::round(value), white)) : Sample(value);
        }
    }
}

void ChangeAssociation(Image& image, bool multiply)
{
    switch (image.sampleType.basetype) {
    case OIIO::TypeDesc::UINT8:
        return ChangeAssociation<uint8_t>(image, multiply, 255.0f);
    case OIIO::TypeDesc::UINT16:
        return ChangeAssociation<uint16_t>(image, multiply, 65535.0f);
    default:
        return ChangeAssociation<float>(image, multiply, 1.0f);
    }
}

bool FitsAssociation(const Image& image, AlphaKind kind)
{
    const bool straight = image.imageSpec.get_int_attribute(kUnassociatedAlpha) == 1;
    return image.alpha < 0 || kind == AlphaKind::Either || straight == (kind == AlphaKind::Straight);
}

bool FitsOrigin(const OIIO::ImageSpec& layout, const OutputFormat& format)
{
    const bool origin = layout.x != 0 || layout.y != 0 || layout.full_x != 0 || layout.full_y != 0;
    const bool negative = layout.x < 0 || layout.y < 0 || layout.full_x < 0 || layout.full_y < 0;
    return !origin || (format.holdsOrigin && (!negative || format.holdsNegativeOrigin));
}

} // namespace

void FitToFormat(Image& image, const OutputFormat& format, const std::string& path)
{
    std::vector<int> kept;
    std::vector<std::string> dropped;
    for (int c = 0; c < image.imageSpec.nchannels; ++c) {
        const bool holds = c == image.alpha ? format.holdsAlpha : IsColour(image, c) || format.holdsOtherChannels;
        if (holds) {
            kept.push_back(c);
        } else {
            dropped.push_back(image.imageSpec.channelnames[size_t(c)]);
        }
    }
    const bool addAlpha = format.needsAlpha && image.alpha < 0;
    if (!dropped.empty() || addAlpha) {
        image = WithChannels(image, kept, addAlpha);
    }
    if (!dropped.empty()) {
        SayOnce(format.name + " files cannot hold " + Listed(dropped) + ": '" + path + "' is written without " +
                (dropped.size() == 1 ? "it" : "them"));
    }
    if (addAlpha) {
        SayOnce(format.name + " files always hold alpha: '" + path + "' is written with an opaque one");
    }
    if (!FitsAssociation(image, format.alphaKind)) {
        const bool straight = format.alphaKind == AlphaKind::Straight;
        ChangeAssociation(image, !straight);
        image.imageSpec.attribute(kUnassociatedAlpha, int(straight));
    }
    if (!format.holdsHalf && image.imageSpec.format == OIIO::TypeDesc::HALF) {
        image.imageSpec.set_format(OIIO::TypeDesc::FLOAT);
    }
    if (!FitsOrigin(image.imageSpec, format)) {
        image.imageSpec.x = image.imageSpec.y = image.imageSpec.full_x = image.imageSpec.full_y = 0;
    }
}

} // namespace irisplit
