// An image's samples seen through OpenImageIO's image buffers, and its
// channels rearranged by them.
#pragma once

#include "ImageFile.h"

#include <OpenImageIO/imagebuf.h>

#include <string>
#include <vector>

namespace irisplit {

// A buffer over the image's own samples (no copy): what it changes, the
// image holds.
OIIO::ImageBuf BufferOver(Image& image);

// `image` with the channels at `order` (-1: an opaque alpha that `image`
// lacks), named `names`; colour and alpha are where their channels are placed.
Image WithChannels(const Image& image, const std::vector<int>& order, const std::vector<std::string>& names);

} // namespace irisplit
