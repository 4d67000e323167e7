// Image files in and out through OpenImageIO, and their exchange with host
// worlds.
//
// Pixel values pass as stored: no alpha association either way, no colour
// conversion. 8-bit and float samples reach the host unchanged; 16-bit files
// hold 0..65535 where the host's 16-bit white is 32768, so samples are scaled
// by 32768/65535 on the way in and back on the way out, both rounded
// (identity settings return a 16-bit file within 1). A file without alpha is
// opaque to the effect.
#pragma once

#include "hostsim/World.h"

#include <OpenImageIO/imageio.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace irisplit {

// The host depth that holds a file's samples without loss: 8 for 8-bit
// files, 16 for 16-bit ones, 32 (float) for everything else.
PF_PixelFormat HostFormatForFile(const OIIO::ImageSpec& imageSpec);

struct Image {
    OIIO::ImageSpec imageSpec;       // as the file describes itself (format: the file's sample type)
    OIIO::TypeDesc sampleType;  // type of the samples in `pixels`: the host depth's
    std::vector<uint8_t> pixels; // interleaved channels, rows top to bottom
    // Channel positions; red == green == blue for a grey image; alpha -1 when none.
    int red = 0, green = 0, blue = 0, alpha = -1;

    bool grey() const { return red == green; }
};

// Reads the first subimage with samples of the host depth `format`, or of
// the file's own depth when none is given. Throws FileError naming the file.
Image ReadImage(const std::string& path, std::optional<PF_PixelFormat> format);

// The host world the effect gets for `image` (same size, the host depth the
// image was read at).
hostsim::World ToWorld(const Image& image);

// The file to write: the input's channels, depth and metadata with the
// rendered colour and alpha in place. A grey input comes back as RGB (with
// its alpha), since the effect's result is coloured.
Image FromWorld(const Image& input, const hostsim::World& rendered);

// Writes `image` under a temporary name next to `path` and renames it into
// place, so a failure never leaves a partial file at `path`. The format
// follows the extension of `path`. Throws FileError naming the file.
void WriteImage(const std::string& path, const Image& image);

} // namespace irisplit
