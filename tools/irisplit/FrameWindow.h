// The frame of an image file: its display window, which the file's pixels
// (its data window) need not cover, or may exceed.
#pragma once

#include "ImageFile.h"

#include <OpenImageIO/imageio.h>

namespace irisplit {

// The display window, or the data window where a file declares none.
OIIO::ROI FrameOf(const OIIO::ImageSpec& imageSpec);

// Makes `image`, read from its file's data window, hold its frame instead:
// what lies outside the data window is transparent black (all channels 0),
// what lies outside the frame is dropped, and its description's data window
// becomes the frame.
void PlaceInFrame(Image& image);

} // namespace irisplit
