#include "FrameWindow.h"

#include <algorithm>
#include <cstring>

namespace irisplit {

OIIO::ROI FrameOf(const OIIO::ImageSpec& imageSpec)
{
    if (imageSpec.full_width <= 0 || imageSpec.full_height <= 0) {
        return imageSpec.roi();
    }
    return imageSpec.roi_full();
}

void PlaceInFrame(Image& image)
{
    OIIO::ImageSpec& layout = image.imageSpec;
    const OIIO::ROI data = layout.roi();
    const OIIO::ROI frame = FrameOf(layout);
    if (data.xbegin == frame.xbegin && data.ybegin == frame.ybegin && data.width() == frame.width() &&
        data.height() == frame.height()) {
        return;
    }
    const size_t pixelSize = size_t(layout.nchannels) * image.sampleType.size();
    std::vector<uint8_t> framed(size_t(frame.width()) * size_t(frame.height()) * pixelSize);
    const OIIO::ROI shared = OIIO::roi_intersection(data, frame);
    for (int y = shared.ybegin; shared.defined() && y < shared.yend; ++y) {
        const uint8_t* from = image.pixels.data() +
                              (size_t(y - data.ybegin) * data.width() + size_t(shared.xbegin - data.xbegin)) * pixelSize;
        uint8_t* to = framed.data() +
                      (size_t(y - frame.ybegin) * frame.width() + size_t(shared.xbegin - frame.xbegin)) * pixelSize;
        std::memcpy(to, from, size_t(shared.width()) * pixelSize);
    }
    image.pixels = std::move(framed);
    layout.x = frame.xbegin;
    layout.y = frame.ybegin;
    layout.width = frame.width();
    layout.height = frame.height();
}

} // namespace irisplit
