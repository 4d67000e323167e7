#include "OutputFormat.h"

#include <initializer_list>

namespace irisplit {
namespace {

bool Named(const std::string& name, std::initializer_list<const char*> names)
{
    for (const char* candidate : names) {
        if (name == candidate) {
            return true;
        }
    }
    return false;
}

// Which colour the format's reader hands over beside alpha when asked for
// colour as stored. A writer given the other kind stores it unchanged, except
// for PNG's, Targa's, WebP's and JPEG 2000's, which convert it themselves.
AlphaKind AlphaKindOf(const std::string& name)
{
    if (Named(name, {"png", "targa", "webp", "jpeg2000", "heif"})) {
        return AlphaKind::Straight;
    }
    return name == "tiff" ? AlphaKind::Either : AlphaKind::Premultiplied;
}

} // namespace

OutputFormat DescribeOutput(const OIIO::ImageOutput& writer)
{
    const std::string name = writer.format_name();
    return OutputFormat{
        name,
        // The TIFF writer cannot encode into memory correctly: it reads its
        // own directories back while it writes.
        writer.supports("ioproxy") && name != "tiff",
        !Named(name, {"jpeg", "webp", "heif", "gif", "hdr"}),
        AlphaKindOf(name),
        writer.supports("alpha") != 0,
        name == "ico",
        writer.supports("nchannels") != 0,
        writer.supports("origin") != 0,
        writer.supports("negativeorigin") != 0,
        !Named(name, {"fits", "rla"}),
        name != "rla",
        // OpenJPEG codes six resolution levels: the smallest takes 32 pixels.
        name == "jpeg2000" ? 32 : 1,
        // An icon's directory entry holds each side in one byte, 0 meaning 256.
        name == "ico" ? 256 : 0,
    };
}

} // namespace irisplit
