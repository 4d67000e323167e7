#include "ImageFile.h"

#include "AtomicFile.h"
#include "Errors.h"
#include "FrameWindow.h"
#include "ImageChannels.h"
#include "ImageLibraryMessages.h"
#include "MemorySettings.h"
#include "OutputFit.h"
#include "OutputFormat.h"

#include <OpenImageIO/filesystem.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include <sys/stat.h>

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

// The host depth that holds every sample of a file's `type` as it is: 8 for
// unsigned 8-bit samples, float for signed and unsigned ones of 16 bits or
// fewer and half ones (each value survives the trip; the host's 16-bit
// range is one bit short of a file's); none for wider integers and double,
// which float would round.
std::optional<PF_PixelFormat> HostFormatOf(OIIO::TypeDesc type)
{
    switch (type.basetype) {
    case OIIO::TypeDesc::UINT8:
        return PF_PixelFormat_ARGB32;
    case OIIO::TypeDesc::INT8:
    case OIIO::TypeDesc::UINT16:
    case OIIO::TypeDesc::INT16:
    case OIIO::TypeDesc::HALF:
    case OIIO::TypeDesc::FLOAT:
        return PF_PixelFormat_ARGB128;
    default:
        return std::nullopt;
    }
}

// The host depth whose samples are of `sampleType` (SampleType's inverse).
PF_PixelFormat HostFormatHolding(OIIO::TypeDesc sampleType)
{
    switch (sampleType.basetype) {
    case OIIO::TypeDesc::UINT8:
        return PF_PixelFormat_ARGB32;
    case OIIO::TypeDesc::UINT16:
        return PF_PixelFormat_ARGB64;
    default:
        return PF_PixelFormat_ARGB128;
    }
}

bool IsUnsignedInteger(OIIO::TypeDesc type)
{
    return !type.is_floating_point() && !type.is_signed();
}

// Grey is a single channel besides alpha, or a first one named Y; colour is
// three or more (the first three are red, green and blue). Further channels
// are carried through. Two colour channels (R, G or U, V) say nothing about
// what to move, so they are refused.
void FindChannels(Image& image)
{
    image.alpha = image.imageSpec.alpha_channel;
    std::vector<int> colour;
    for (int c = 0; c < image.imageSpec.nchannels; ++c) {
        if (c != image.alpha) {
            colour.push_back(c);
        }
    }
    const bool grey = colour.size() == 1 || image.imageSpec.channelnames[size_t(colour[0])] == "Y";
    if (!grey && colour.size() < 3) {
        throw FileError("its channels (" + Listed(image.imageSpec.channelnames) +
                        ") are neither grey (Y and any more) nor colour (R, G, B and any more)");
    }
    image.red = colour[0];
    image.green = grey ? colour[0] : colour[1];
    image.blue = grey ? colour[0] : colour[2];
}

// Channels beyond colour and alpha (a depth, a mask), carried through as they are.
bool CarriesOtherChannels(const Image& image)
{
    return image.imageSpec.nchannels > (image.grey() ? 1 : 3) + (image.alpha >= 0 ? 1 : 0);
}

// A file that its writer wrote to disk itself is proven to hold what it was
// given by reading it back, pixel for pixel in the depth it holds: a writer
// need not report a failed write, and a file with holes can read back whole.
// Files of a lossy format can only be proven to read back whole.
void CheckReadsBack(const std::string& written, const Image& image, const OutputFormat& format,
                    const std::string& path)
{
    auto in = OIIO::ImageInput::create(written);
    OIIO::ImageSpec readBack;
    OIIO::ImageSpec hints;
    hints.attribute("oiio:UnassociatedAlpha", 1); // colour as stored, as it was given
    const OIIO::ImageSpec& layout = image.imageSpec;
    const auto fail = [&](const std::string& why) {
        throw FileError("cannot write '" + path + "': the file written " + why);
    };
    if (!in || !in->open(written, readBack, hints)) {
        fail("does not read back whole (" + (in ? in->geterror() : OIIO::geterror()) + ")");
    }
    const auto shape = [](const OIIO::ImageSpec& s) {
        return std::to_string(s.width) + "x" + std::to_string(s.height) + " pixels of " + std::to_string(s.nchannels) +
               (s.nchannels == 1 ? " channel" : " channels");
    };
    if (shape(readBack) != shape(layout) || readBack.depth != 1) {
        fail("reads back as " + shape(readBack) + ", not the " + shape(layout) + " written");
    }
    const OIIO::TypeDesc held = format.lossless ? readBack.format : image.sampleType;
    const size_t rowSamples = size_t(layout.width) * layout.nchannels;
    std::vector<uint8_t> samples(layout.image_pixels() * layout.nchannels * held.size());
    if (!in->read_image(0, 0, 0, layout.nchannels, held, samples.data())) {
        fail("does not read back whole (" + in->geterror() + ")");
    }
    const size_t rowBytes = rowSamples * held.size();
    std::vector<uint8_t> converted(held == image.sampleType ? 0 : rowBytes); // the rendered row in the file's type
    for (int y = 0; format.lossless && y < layout.height; ++y) {
        const uint8_t* given = image.pixels.data() + y * rowSamples * image.sampleType.size();
        if (!converted.empty()) {
            OIIO::convert_pixel_values(image.sampleType, given, held, converted.data(), int(rowSamples));
            given = converted.data();
        }
        if (std::memcmp(given, samples.data() + y * rowBytes, rowBytes) != 0) {
            fail("reads back different from the rendered frame (in row " + std::to_string(y) + ")");
        }
    }
}

void CheckFrameFits(const std::string& path, const OutputFormat& format, int width, int height)
{
    const auto refuse = [&](const char* bound, int side) {
        return FileError("cannot write '" + path + "': the frame is " + std::to_string(width) + "x" +
                         std::to_string(height) + " pixels, and " + format.name + " files take frames of " + bound +
                         " " + std::to_string(side) + "x" + std::to_string(side) + " pixels");
    };
    if (width < format.smallestSide || height < format.smallestSide) {
        throw refuse("at least", format.smallestSide);
    }
    if (format.largestSide && (width > format.largestSide || height > format.largestSide)) {
        throw refuse("at most", format.largestSide);
    }
}

// Checked before anything opens the file: opening a FIFO waits for a writer,
// and a device reads forever.
void CheckRegularFile(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        throw FileError("cannot read '" + path + "': " + std::strerror(errno));
    }
    if (!S_ISREG(status.st_mode)) {
        throw FileError("cannot read '" + path + "': not a regular file");
    }
}

// Room for the samples the file declares, refused with the size of the
// whole render when there is not that much memory: a small file can declare
// a huge frame, and its render needs many times its samples.
void AllocateSamples(Image& image, const std::string& path, const FramesInFlight& inFlight)
{
    const OIIO::ImageSpec& described = image.imageSpec;
    const uint64_t samplesPerPixel = uint64_t(described.nchannels) * image.sampleType.size();
    const uint64_t bytes = uint64_t(described.image_pixels()) * samplesPerPixel;
    const OIIO::ROI frame = FrameOf(described);
    const uint64_t frameBytes = MemoryToRender(
        FrameBytes{std::max(uint64_t(described.image_pixels()), uint64_t(frame.npixels())), samplesPerPixel,
                   4 * uint64_t(image.sampleType.size()), uint64_t(described.pixel_bytes())},
        inFlight);
    const uint64_t available = AvailableMemory();
    const auto gibibytes = [](uint64_t count) {
        char size[64];
        std::snprintf(size, sizeof size, "%.1f GiB", double(count) / double(1ull << 30));
        return std::string(size);
    };
    const auto refuse = [&](const std::string& because) {
        return FileError("cannot read '" + path + "': its " + std::to_string(described.width) + "x" +
                         std::to_string(described.height) + " pixels of " + std::to_string(described.nchannels) +
                         " channels take " + gibibytes(bytes) + " as " + image.sampleType.c_str() + " samples, " +
                         because);
    };
    if (frameBytes > available) {
        throw refuse("and rendering it takes about " + gibibytes(frameBytes) + ", but only " +
                     gibibytes(available) + " of memory is available");
    }
    try {
        image.pixels.resize(bytes);
    } catch (const std::bad_alloc&) {
        throw refuse("more memory than irisplit was given");
    }
}

} // namespace

std::string SampleTypeName(OIIO::TypeDesc type)
{
    switch (type.basetype) {
    case OIIO::TypeDesc::UINT32:
        return "uint32";
    case OIIO::TypeDesc::INT32:
        return "int32";
    default:
        return type.c_str();
    }
}

std::string DepthLoss(const OIIO::ImageSpec& imageSpec, PF_PixelFormat format)
{
    const std::optional<PF_PixelFormat> own = HostFormatOf(imageSpec.format);
    if (own == format || (own && format == PF_PixelFormat_ARGB128) ||
        (own == PF_PixelFormat_ARGB32 && format == PF_PixelFormat_ARGB64)) {
        return "";
    }
    if (format == PF_PixelFormat_ARGB128) {
        return "rounds the samples to float precision";
    }
    const std::string steps = format == PF_PixelFormat_ARGB32 ? "8 bits" : "the host's 16-bit steps (1/32768)";
    return IsUnsignedInteger(imageSpec.format) ? "rounds the samples to " + steps
                                               : "clips the samples to 0..1 and rounds them to " + steps;
}

Image ReadImage(const std::string& path, std::optional<PF_PixelFormat> format, int maxSide,
                const FramesInFlight& inFlight)
{
    CheckRegularFile(path);
    OIIO::ImageSpec hints;
    hints.attribute("oiio:UnassociatedAlpha", 1); // keep colour as stored next to alpha
    Image image;
    // open() fills in the file's own description (channels, size, sample type).
    auto in = OIIO::ImageInput::create(path);
    if (!in || !in->open(path, image.imageSpec, hints)) {
        throw FileError("cannot read '" + path + "': " + ImageLibraryReason(in ? in->geterror() : OIIO::geterror()));
    }
    const OIIO::ImageSpec& described = image.imageSpec;
    try {
        if (in->spec_dimensions(1).format != OIIO::TypeDesc::UNKNOWN) {
            throw FileError("it has more than one part; irisplit reads single-part files");
        }
        const OIIO::ROI frame = FrameOf(described);
        if (frame.width() > maxSide || frame.height() > maxSide) {
            throw FileError("it is " + std::to_string(frame.width()) + "x" + std::to_string(frame.height()) +
                            " pixels, and the renderer takes frames of at most " + std::to_string(maxSide) + "x" +
                            std::to_string(maxSide));
        }
        FindChannels(image);
        if (!format && !HostFormatOf(described.format)) {
            throw FileError("its samples are " + SampleTypeName(described.format) +
                            ", which no host depth holds without loss (--depth 32 renders them rounded to float)");
        }
    } catch (const FileError& e) {
        throw FileError("cannot use '" + path + "': " + e.what());
    }
    image.sampleType = SampleType(format ? *format : *HostFormatOf(described.format));
    image.fileFormat = in->format_name();
    AllocateSamples(image, path, inFlight);
    (void)in->geterror(); // what open() noted without failing, such as metadata it skipped
    // Some readers only note a file that ends early, and return grey rows.
    if (!in->read_image(0, 0, 0, described.nchannels, image.sampleType, image.pixels.data()) || in->has_error()) {
        throw FileError("cannot read '" + path + "': " + ImageLibraryReason(in->geterror()));
    }
    PlaceInFrame(image);
    return image;
}

hostsim::World ToWorld(const Image& image, hostsim::WorldPool& worlds)
{
    const PF_PixelFormat format = HostFormatHolding(image.sampleType);
    hostsim::World world =
        worlds.take(hostsim::WorldShape{format, image.imageSpec.width, image.imageSpec.height, {}});
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

void ReleaseSamplesHeldByWorld(Image& image)
{
    if (!image.grey() && !CarriesOtherChannels(image)) {
        image.pixels = std::vector<uint8_t>();
    }
}

Image FromWorld(const Image& input, const hostsim::World& rendered)
{
    Image output;
    if (input.grey()) {
        // Red, green and blue from the grey channel, then alpha and the rest as they were.
        std::vector<int> order(3, input.red);
        std::vector<std::string> names = {"R", "G", "B"};
        for (int c = 0; c < input.imageSpec.nchannels; ++c) {
            if (c != input.red) {
                order.push_back(c);
                names.push_back(c == input.alpha ? "A" : input.imageSpec.channelnames[size_t(c)]);
            }
        }
        output = WithChannels(input, order, names);
    } else {
        output.imageSpec = input.imageSpec;
        output.sampleType = input.sampleType;
        output.red = input.red, output.green = input.green, output.blue = input.blue, output.alpha = input.alpha;
        output.pixels = CarriesOtherChannels(input)
                            ? input.pixels
                            : std::vector<uint8_t>(input.imageSpec.image_pixels() * input.imageSpec.nchannels *
                                                   input.sampleType.size());
    }
    output.fileFormat = input.fileFormat;
    output.imageSpec.tile_width = output.imageSpec.tile_height = output.imageSpec.tile_depth = 0;
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

void CheckWritable(const std::string& path)
{
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    std::error_code error;
    if (!parent.empty() && !std::filesystem::is_directory(parent, error)) {
        throw FileError("cannot write '" + path + "': folder '" + parent.string() + "' does not exist");
    }
    CheckNameFits(path);
    const auto writer = OIIO::ImageOutput::create(path);
    if (!writer) {
        throw FileError("cannot write '" + path + "': no image format for its extension");
    }
    const std::string formatName = writer->format_name();
    if (formatName == "null") {
        throw FileError("cannot write '" + path + "': the image library's 'null' format writes no file");
    }
    if (formatName == "term") {
        throw FileError("cannot write '" + path + "': the term format shows images on a terminal, not in a file");
    }
}

void CheckFrameFits(const std::string& path, int width, int height)
{
    const auto out = OIIO::ImageOutput::create(path);
    if (!out) {
        throw FileError("cannot write '" + path + "': " + OIIO::geterror());
    }
    CheckFrameFits(path, DescribeOutput(*out), width, height);
}

void WriteImage(const std::string& path, Image image, bool replace)
{
    auto out = OIIO::ImageOutput::create(path);
    if (!out) {
        throw FileError("cannot write '" + path + "': " + OIIO::geterror());
    }
    const OutputFormat format = DescribeOutput(*out);
    CheckFrameFits(path, format, image.imageSpec.width, image.imageSpec.height);
    FitToFormat(image, format, path);
    // A writer's own message seldom names the system's cause (a full disk, a
    // file size limit); the failed call's errno does.
    const auto encode = [&](const std::string& name) {
        errno = 0;
        const auto fail = [&] {
            const std::string cause = errno ? std::string(std::strerror(errno)) + ": " : "";
            throw FileError("cannot write '" + path + "': " + cause + ImageLibraryReason(out->geterror()));
        };
        if (!out->open(name, image.imageSpec)) {
            fail();
        }
        SayWhereNarrowed(image, out->spec().format, format, path);
        if (!out->write_image(image.sampleType, image.pixels.data()) || !out->close()) {
            fail();
        }
    };
    if (format.encodesInMemory) {
        std::vector<unsigned char> encoded;
        OIIO::Filesystem::IOVecOutput memory(encoded);
        out->set_ioproxy(&memory);
        encode(path);
        WriteFileAtomically(path, replace, [&](const std::string&, int fd) { WriteAllBytes(fd, encoded, path); });
    } else {
        WriteFileAtomically(path, replace, [&](const std::string& temporary, int) {
            encode(temporary);
            CheckReadsBack(temporary, image, format, path);
        });
    }
}

} // namespace irisplit
