// Image files in and out through OpenImageIO, and their exchange with host
// worlds.
//
// Pixel values pass as stored: no alpha association either way, no colour
// conversion, and the output declares its alpha associated or not as the
// input did, unless its format holds only the other kind. Unsigned 8-bit and
// float samples reach the host unchanged; 16-bit, signed 8-bit and half ones
// as float (signed ones as the library scales them, -1..1), and back exactly.
// Wider integers and double are refused unless a --depth is given. At
// --depth 16 samples are scaled by 32768/65535 (the host's 16-bit white is
// 32768) on the way in and back on the way out, both rounded. A file without
// alpha is opaque to the effect.
#pragma once

#include "FrameMemory.h"

#include "hostsim/World.h"
#include "hostsim/WorldPool.h"

#include <OpenImageIO/imageio.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace irisplit {

// The sample type as users name it ("uint32" where the library says "uint").
std::string SampleTypeName(OIIO::TypeDesc type);

// What a host depth does to a file's samples that it cannot hold ("clips the
// samples to 0..1 and rounds them to 8 bits"); empty when it holds them all.
std::string DepthLoss(const OIIO::ImageSpec& imageSpec, PF_PixelFormat format);

struct Image {
    OIIO::ImageSpec imageSpec;       // as the file describes itself (format: the file's sample type)
    OIIO::TypeDesc sampleType;  // type of the samples in `pixels`: the host depth's
    std::vector<uint8_t> pixels; // interleaved channels, rows top to bottom
    std::string fileFormat;      // the library's name for the file's format ("tiff", "openexr")
    // Channel positions; red == green == blue for a grey image; alpha -1 when none.
    int red = 0, green = 0, blue = 0, alpha = -1;

    bool grey() const { return red == green; }
};

// Reads a single-part file with grey, grey and alpha, RGB or RGBA channels
// (more are carried through), samples of the host depth `format` (or the
// host depth that holds the file's samples when none is given; a file whose
// samples none holds is refused, naming their type) and at most `maxSide`
// pixels across and down, both checked before any pixel is read. Refuses
// anything but a regular file without opening it, and a frame whose render
// (with `inFlight` frames like it) would take more memory than is available.
// Throws FileError naming the file.
Image ReadImage(const std::string& path, std::optional<PF_PixelFormat> format, int maxSide,
                const FramesInFlight& inFlight);

// The host world the effect gets for `image` (same size, the host depth the
// image was read at), taken from `worlds`.
hostsim::World ToWorld(const Image& image, hostsim::WorldPool& worlds);

// Frees the image's samples when FromWorld does not need them: when its
// world holds them all (it has no channels beyond colour and alpha) and it
// is in colour.
void ReleaseSamplesHeldByWorld(Image& image);

// The file to write: the input's channels, sample type and metadata with the
// rendered colour and alpha in place of its own. A grey input comes back as
// RGB (with its alpha and further channels), since the effect's result is
// coloured.
Image FromWorld(const Image& input, const hostsim::World& rendered);

// Throws FileError when `path` names no format irisplit can write, a folder
// that does not exist, or a file name longer than that folder takes.
void CheckWritable(const std::string& path);

// Throws FileError, naming both sizes, when the format that the extension of
// `path` names cannot hold a frame of this size.
void CheckFrameFits(const std::string& path, int width, int height);
// Writes `image` in the format that the extension of `path` names, made to
// fit what that format holds (FitToFormat), through WriteFileAtomically:
// encoded in memory and written by irisplit, or, for a format whose writer
// cannot encode in memory, written by that writer and read back before the
// rename, pixel for pixel where the format is lossless. Throws FileError
// naming the file.
void WriteImage(const std::string& path, Image image, bool replace);

} // namespace irisplit
