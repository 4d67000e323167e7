// A rendered frame made to fit what its output format holds, as oiiotool
// makes it, with what it keeps of the input's file.
#pragma once

#include "ImageFile.h"
#include "OutputFormat.h"

#include <string>

namespace irisplit {

// `image` as `format` can hold it: without the channels the format cannot
// hold (alpha, channels beyond colour and alpha), with an opaque alpha where
// its files always have one, with colour multiplied by alpha or divided by it
// where the format holds the other kind, with float samples for half and
// signed ones that its writer would store as garbage, starting at 0,0 where
// the format holds no other origin, in whole samples of its type and a
// lossless compression (the input's only where it is lossless and of the
// same format), and without metadata that no longer describes it. Changed in
// place; its samples are copied only where channels are dropped or added.
// The first time a run drops or adds a channel, one line on standard error
// says so, naming `path`.
void FitToFormat(Image& image, const OutputFormat& format, const std::string& path);

// Says once a run, naming `path`, when the format's writer stores the
// image's samples in a type that does not hold them all (`written`, as the
// writer declares once open): 16-bit samples in an 8-bit format.
void SayWhereNarrowed(const Image& image, OIIO::TypeDesc written, const OutputFormat& format,
                      const std::string& path);

} // namespace irisplit
