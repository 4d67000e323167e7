// What irisplit knows of an image format's writer beyond what the writer
// declares of itself.
#pragma once

#include <OpenImageIO/imageio.h>

#include <string>

namespace irisplit {

// The kind of colour a format stores next to alpha, as its reader hands it
// over when asked for colour as stored.
enum class AlphaKind {
    Either,        // the file says which (TIFF); the writer keeps what it is given
    Premultiplied, // colour already multiplied by alpha (OpenEXR, DPX, ...)
    Straight       // colour as it is without alpha (PNG, ...)
};

struct OutputFormat {
    std::string name;     // OpenImageIO's name for it ("png", "openexr", ...)
    bool encodesInMemory; // encoded into memory and written by irisplit, or written by its writer
    bool lossless;        // its files read back as the samples they were written from
    AlphaKind alphaKind;
    bool holdsAlpha;
    bool needsAlpha;         // its files always have alpha (an icon's transparency)
    bool holdsOtherChannels; // channels beyond colour and alpha
    bool holdsOrigin;        // a frame that starts elsewhere than at 0,0
    bool holdsNegativeOrigin;
    bool holdsHalf;   // 16-bit float samples, which other writers store as garbage
    bool holdsSigned; // signed integer samples, which other writers take but store as unsigned
    int smallestSide; // pixels across and down, below which the writer fails without a word
    int largestSide;  // pixels across and down the format holds at most; 0: no limit of its own
};

OutputFormat DescribeOutput(const OIIO::ImageOutput& writer);

} // namespace irisplit
