// A rendered frame made to fit what its output format holds, as oiiotool
// makes it.
#pragma once

#include "ImageFile.h"
#include "OutputFormat.h"

#include <string>

namespace irisplit {

// `image` as `format` can hold it: without the channels the format cannot
// hold (alpha, channels beyond colour and alpha), with an opaque alpha where
// its files always have one, with colour multiplied by alpha or divided by it
// where the format holds the other kind, with float samples for half ones
// that it cannot hold, and starting at 0,0 where the format holds no other
// origin. Changed in place; its samples are copied only where channels are
// dropped or added. The first time a run drops or adds a channel, one line on
// standard error says so, naming `path`.
void FitToFormat(Image& image, const OutputFormat& format, const std::string& path);

} // namespace irisplit
