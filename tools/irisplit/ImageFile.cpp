#include "ImageFile.h"

#include "Errors.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <unistd.h>

namespace irisplit {
namespace {

// How the samples of one host depth relate to the file's.
struct Depth8 {
    using Sample = uint8_t;
    using Pixel = PF_Pixel8;
    static constexpr Sample kOpaque = 255;
    static Sample ToHost(Sample v) { return v; }
    static Sample FromHost(Sample v) { return v; }
};

struct Depth16 {
    using Sample = uint16_t;
    using Pixel = PF_Pixel16;
    static constexpr Sample kOpaque = 32768;
    static Sample ToHost(Sample v) { return Sample(std::lround(v * (32768.0 / 65535.0))); }
    static Sample FromHost(Sample v)
    {
        return Sample(std::lround(std::min<Sample>(v, 32768) * (65535.0 / 32768.0)));
    }
};

struct DepthFloat {
    using Sample = float;
    using Pixel = PF_PixelFloat;
    static constexpr Sample kOpaque = 1.0f;
    static Sample ToHost(Sample v) { return v; }
    static Sample FromHost(Sample v) { return v; }
};

// Runs body(DepthN{}) for the depth of a host pixel format.
template <typename Body>
auto WithDepth(PF_PixelFormat format, Body&& body)
{
    switch (format) {
    case PF_PixelFormat_ARGB32:
        return body(Depth8{});
    case PF_PixelFormat_ARGB64:
        return body(Depth16{});
    default:
        return body(DepthFloat{});
    }
}

OIIO::TypeDesc SampleType(PF_PixelFormat format)
{
    return WithDepth(format, [](auto depth) { return OIIO::TypeDesc(OIIO::BaseTypeFromC<
                                                  typename decltype(depth)::Sample>::value); });
}

PF_PixelFormat FormatOfSamples(OIIO::TypeDesc type)
{
    if (type == OIIO::TypeDesc::UINT8) {
        return PF_PixelFormat_ARGB32;
    }
    return type == OIIO::TypeDesc::UINT16 ? PF_PixelFormat_ARGB64 : PF_PixelFormat_ARGB128;
}

void FindChannels(Image& image)
{
    image.alpha = image.imageSpec.alpha_channel;
    std::vector<int> colour;
    for (int c = 0; c < image.imageSpec.nchannels && colour.size() < 3; ++c) {
        if (c != image.alpha) {
            colour.push_back(c);
        }
    }
    if (colour.empty()) {
        throw FileError("has no colour channel");
    }
    image.red = colour[0];
    image.green = colour.size() == 3 ? colour[1] : colour[0];
    image.blue = colour.size() == 3 ? colour[2] : colour[0];
}

// A temporary name in the same folder (so the rename cannot cross file systems).
std::string TemporaryNameFor(const std::string& path)
{
    const std::filesystem::path target(path);
    return (target.parent_path() / ("." + target.filename().string() + ".partial-" +
                                    std::to_string(::getpid())))
        .string();
}

} // namespace

PF_PixelFormat HostFormatForFile(const OIIO::ImageSpec& imageSpec)
{
    switch (imageSpec.format.basetype) {
    case OIIO::TypeDesc::UINT8:
    case OIIO::TypeDesc::INT8:
        return PF_PixelFormat_ARGB32;
    case OIIO::TypeDesc::UINT16:
    case OIIO::TypeDesc::INT16:
        return PF_PixelFormat_ARGB64;
    default:
        return PF_PixelFormat_ARGB128;
    }
}

Image ReadImage(const std::string& path, std::optional<PF_PixelFormat> format)
{
    OIIO::ImageSpec hints;
    hints.attribute("oiio:UnassociatedAlpha", 1); // keep colour as stored next to alpha
    Image image;
    // open() fills in the file's own description (channels, size, sample type).
    auto in = OIIO::ImageInput::create(path);
    if (!in || !in->open(path, image.imageSpec, hints)) {
        throw FileError("cannot read '" + path + "': " + (in ? in->geterror() : OIIO::geterror()));
    }
    image.sampleType = SampleType(format.value_or(HostFormatForFile(image.imageSpec)));
    try {
        FindChannels(image);
    } catch (const FileError& e) {
        throw FileError("cannot use '" + path + "': it " + e.what());
    }
    image.pixels.resize(image.imageSpec.image_pixels() * image.imageSpec.nchannels * image.sampleType.size());
    if (!in->read_image(0, 0, 0, image.imageSpec.nchannels, image.sampleType, image.pixels.data())) {
        throw FileError("cannot read '" + path + "': " + in->geterror());
    }
    return image;
}

hostsim::World ToWorld(const Image& image)
{
    const PF_PixelFormat format = FormatOfSamples(image.sampleType);
    hostsim::World world(hostsim::WorldShape{format, image.imageSpec.width, image.imageSpec.height, {}});
    WithDepth(format, [&](auto depth) {
        using D = decltype(depth);
        const auto* samples = reinterpret_cast<const typename D::Sample*>(image.pixels.data());
        const int channels = image.imageSpec.nchannels;
        for (int32_t y = 0; y < world.height(); ++y) {
            auto* out = reinterpret_cast<typename D::Pixel*>(world.row(y));
            const auto* in = samples + size_t(y) * world.width() * channels;
            for (int32_t x = 0; x < world.width(); ++x, in += channels) {
                out[x].alpha = image.alpha < 0 ? D::kOpaque : D::ToHost(in[image.alpha]);
                out[x].red = D::ToHost(in[image.red]);
                out[x].green = D::ToHost(in[image.green]);
                out[x].blue = D::ToHost(in[image.blue]);
            }
        }
    });
    return world;
}

Image FromWorld(const Image& input, const hostsim::World& rendered)
{
    Image output = input;
    output.imageSpec.tile_width = output.imageSpec.tile_height = output.imageSpec.tile_depth = 0;
    output.imageSpec.attribute("oiio:UnassociatedAlpha", 1); // colour is written as it comes
    if (input.grey()) {
        const bool hasAlpha = input.alpha >= 0;
        output.imageSpec.nchannels = hasAlpha ? 4 : 3;
        output.imageSpec.channelnames = {"R", "G", "B"};
        output.imageSpec.channelformats.clear();
        if (hasAlpha) {
            output.imageSpec.channelnames.push_back("A");
        }
        output.imageSpec.alpha_channel = hasAlpha ? 3 : -1;
        output.red = 0, output.green = 1, output.blue = 2, output.alpha = output.imageSpec.alpha_channel;
        output.pixels.assign(output.imageSpec.image_pixels() * output.imageSpec.nchannels * output.sampleType.size(), 0);
    }
    WithDepth(rendered.format(), [&](auto depth) {
        using D = decltype(depth);
        auto* samples = reinterpret_cast<typename D::Sample*>(output.pixels.data());
        const int channels = output.imageSpec.nchannels;
        for (int32_t y = 0; y < rendered.height(); ++y) {
            const auto* in = reinterpret_cast<const typename D::Pixel*>(rendered.row(y));
            auto* out = samples + size_t(y) * rendered.width() * channels;
            for (int32_t x = 0; x < rendered.width(); ++x, out += channels) {
                if (output.alpha >= 0) {
                    out[output.alpha] = D::FromHost(in[x].alpha);
                }
                out[output.red] = D::FromHost(in[x].red);
                out[output.green] = D::FromHost(in[x].green);
                out[output.blue] = D::FromHost(in[x].blue);
            }
        }
    });
    return output;
}

void WriteImage(const std::string& path, const Image& image)
{
    auto out = OIIO::ImageOutput::create(path);
    if (!out) {
        throw FileError("cannot write '" + path + "': " + OIIO::geterror());
    }
    const std::string temporary = TemporaryNameFor(path);
    const bool written = out->open(temporary, image.imageSpec) &&
                         out->write_image(image.sampleType, image.pixels.data()) && out->close();
    std::error_code renameError;
    if (written) {
        std::filesystem::rename(temporary, path, renameError);
    }
    if (!written || renameError) {
        const std::string reason = written ? renameError.message() : out->geterror();
        out.reset(); // closes the temporary file before it goes
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw FileError("cannot write '" + path + "': " + reason);
    }
}

} // namespace irisplit
