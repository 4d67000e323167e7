#include "ImageChannels.h"

#include <OpenImageIO/imagebufalgo.h>

#include <stdexcept>

namespace irisplit {
namespace {

// The image's description with the type its samples are held in.
OIIO::ImageSpec HeldLayout(const Image& image)
{
    OIIO::ImageSpec layout = image.imageSpec;
    layout.set_format(image.sampleType);
    layout.channelformats.clear();
    layout.alpha_channel = image.alpha;
    return layout;
}

} // namespace

OIIO::ImageBuf BufferOver(Image& image)
{
    return OIIO::ImageBuf(HeldLayout(image), image.pixels.data());
}

Image WithChannels(const Image& image, const std::vector<int>& order, const std::vector<std::string>& names)
{
    // Only read: the buffer never writes to the samples it is given.
    const OIIO::ImageBuf source(HeldLayout(image), const_cast<uint8_t*>(image.pixels.data()));
    const std::vector<float> opaque(order.size(), 1.0f);
    OIIO::ImageBuf result;
    // On this thread: the writers already take every core.
    if (!OIIO::ImageBufAlgo::channels(result, source, int(order.size()), order, opaque, names, false, 1)) {
        throw std::runtime_error("cannot rearrange channels: " + result.geterror());
    }
    Image fitted;
    fitted.imageSpec = image.imageSpec;
    fitted.sampleType = image.sampleType;
    OIIO::ImageSpec& layout = fitted.imageSpec;
    layout.nchannels = int(order.size());
    layout.channelnames = names;
    layout.channelformats.clear();
    // Colour takes the first places its channels have, one each: a grey
    // channel placed three times becomes red, green and blue.
    std::vector<bool> taken(order.size());
    const auto place = [&](int channel) {
        for (size_t at = 0; at < order.size(); ++at) {
            if (order[at] == channel && !taken[at]) {
                taken[at] = true;
                return int(at);
            }
        }
        return -1;
    };
    fitted.red = place(image.red);
    fitted.green = place(image.green);
    fitted.blue = place(image.blue);
    fitted.alpha = layout.alpha_channel = place(image.alpha); // an added alpha is -1 too
    fitted.pixels.resize(layout.image_pixels() * size_t(layout.nchannels) * image.sampleType.size());
    if (!result.get_pixels(result.roi(), image.sampleType, fitted.pixels.data())) {
        throw std::runtime_error("cannot rearrange channels: " + result.geterror());
    }
    return fitted;
}

} // namespace irisplit
