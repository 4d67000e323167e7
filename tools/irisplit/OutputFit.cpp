#include "OutputFit.h"

#include "Errors.h"
#include "ImageChannels.h"

#include <OpenImageIO/imagebufalgo.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace irisplit {
namespace {

constexpr const char* kUnassociatedAlpha = "oiio:UnassociatedAlpha";

bool IsColour(const Image& image, int channel)
{
    return channel == image.red || channel == image.green || channel == image.blue;
}

// Each kind of change is said once a run, for the first file it happens to.
void SayOnce(std::atomic<bool>& said, const std::string& text)
{
    if (!said.exchange(true)) {
        std::fprintf(stderr, "irisplit: warning: %s (and so is any file like it)\n", text.c_str());
    }
}

// Colour multiplied by alpha, or divided by it where alpha is not 0, as
// oiiotool does. Channels beyond colour and alpha are not colour here (a
// depth, a mask): the channel range leaves them out, which the library's
// own choice of channels would not.
void ChangeAssociation(Image& image, bool multiply)
{
    OIIO::ImageBuf samples = BufferOver(image);
    OIIO::ImageSpec& layout = samples.specmod();
    layout.erase_attribute(kUnassociatedAlpha); // else the library takes it as already done
    const auto [first, last] = std::minmax({image.red, image.green, image.blue});
    OIIO::ROI colour = samples.roi();
    colour.chbegin = first, colour.chend = last + 1;
    const int threads = 1; // the writers already take every core
    const bool done = multiply ? OIIO::ImageBufAlgo::premult(samples, samples, colour, threads)
                               : OIIO::ImageBufAlgo::unpremult(samples, samples, colour, threads);
    if (!done) {
        throw std::runtime_error("cannot change the alpha association: " + samples.geterror());
    }
}

// Significant bits of a sample type's values.
int SignificantBits(OIIO::TypeDesc type)
{
    switch (type.basetype) {
    case OIIO::TypeDesc::HALF:
        return 11;
    case OIIO::TypeDesc::FLOAT:
        return 24;
    case OIIO::TypeDesc::DOUBLE:
        return 53;
    default:
        return int(type.size()) * 8;
    }
}

// Whether samples of type `given` survive the trip through `written`: wider
// unsigned integers hold narrower ones exactly (255 divides 65535), floating
// point ones every type with no more significant bits.
bool Holds(OIIO::TypeDesc written, OIIO::TypeDesc given)
{
    if (written.is_floating_point()) {
        return SignificantBits(written) >= SignificantBits(given);
    }
    const bool bothUnsigned = !written.is_signed() && !given.is_floating_point() && !given.is_signed();
    return written == given || (bothUnsigned && written.size() > given.size());
}

// Compressions that give back the samples they were given.
bool IsLossless(const std::string& compression)
{
    for (const char* name : {"none", "lzw", "zip", "zips", "deflate", "packbits", "zstd", "rle", "piz"}) {
        if (compression == name) {
            return true;
        }
    }
    return false;
}

// The output keeps what its file can keep of how the input's file stored its
// samples and what it said of them. Rendered samples take their whole type,
// so a bit depth narrower than the type (10-bit, 12-bit, 1-bit files) is not
// kept; a compression only when lossless and of the same format. Texture
// metadata does not describe a plain striped image, and the hash and average
// of the input's pixels are not the output's. The JPEG writer stores these
// IPTC fields from both names, so it gets only the standard one.
void FitStorage(Image& image, const OutputFormat& format)
{
    OIIO::ImageSpec& layout = image.imageSpec;
    layout.erase_attribute("oiio:BitsPerSample");
    const std::string compression(layout.decode_compression_metadata().first);
    if (image.fileFormat != format.name || !IsLossless(compression)) {
        layout.erase_attribute("compression");
    }
    for (const char* name : {"textureformat", "wrapmodes", "fovcot", "worldtocamera", "worldtoscreen",
                             "oiio:updirection", "oiio:sampleborder", "oiio:ConstantColor", "oiio:AverageColor",
                             "oiio:SHA-1"}) {
        layout.erase_attribute(name);
    }
    if (format.name != "jpeg") {
        return;
    }
    for (const auto& [iptc, standard] : {std::pair{"IPTC:Caption", "ImageDescription"}, {"IPTC:Creator", "Artist"},
                                         {"IPTC:CopyrightNotice", "Copyright"},
                                         {"IPTC:OriginatingProgram", "Software"}}) {
        if (layout.find_attribute(standard)) {
            layout.erase_attribute(iptc);
        }
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
        std::vector<std::string> names;
        for (int c : kept) {
            names.push_back(image.imageSpec.channelnames[size_t(c)]);
        }
        if (addAlpha) {
            kept.push_back(-1);
            names.push_back("A");
        }
        image = WithChannels(image, kept, names);
    }
    static std::atomic<bool> saidChannels{false};
    if (!dropped.empty()) {
        SayOnce(saidChannels, format.name + " files cannot hold " + Listed(dropped) + ": '" + path + "' is written without " +
                (dropped.size() == 1 ? "it" : "them"));
    }
    if (addAlpha) {
        SayOnce(saidChannels, format.name + " files always hold alpha: '" + path + "' is written with an opaque one");
    }
    if (!FitsAssociation(image, format.alphaKind)) {
        const bool straight = format.alphaKind == AlphaKind::Straight;
        ChangeAssociation(image, !straight);
        image.imageSpec.attribute(kUnassociatedAlpha, int(straight));
    }
    const OIIO::TypeDesc type = image.imageSpec.format;
    const bool signedInteger = type.is_signed() && !type.is_floating_point();
    if ((!format.holdsHalf && type == OIIO::TypeDesc::HALF) || (!format.holdsSigned && signedInteger)) {
        image.imageSpec.set_format(OIIO::TypeDesc::FLOAT);
    }
    FitStorage(image, format);
    if (!FitsOrigin(image.imageSpec, format)) {
        image.imageSpec.x = image.imageSpec.y = image.imageSpec.full_x = image.imageSpec.full_y = 0;
    }
}

void SayWhereNarrowed(const Image& image, OIIO::TypeDesc written, const OutputFormat& format,
                       const std::string& path)
{
    static std::atomic<bool> said{false};
    const OIIO::TypeDesc given = image.imageSpec.format;
    if (!Holds(written, given)) {
        SayOnce(said, format.name + " files cannot hold " + SampleTypeName(given) + " samples: '" + path +
                          "' is written with " + SampleTypeName(written) + " ones");
    }
}

} // namespace irisplit
