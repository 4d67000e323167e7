#include "RgbaRenderer.h"

#include "FailureLog.h"
#include "PixelOrder.h"

#include <climits>
#include <cstring>

namespace irisplit_bridge {
namespace {

std::string SizeText(const RgbaFrame& frame) {
    return std::to_string(frame.width) + "x" + std::to_string(frame.height);
}

} // namespace

RgbaRenderer::RgbaRenderer() { request_.preRenderFirst = true; }

void RgbaRenderer::renderOrPassThrough(SharedEffect& effect, const RgbaFrame& frame,
                                       const std::function<FrameSettings()>& settings) {
    if (!frame.in || !frame.out) return;
    try {
        render(effect, frame, settings());
        return;
    } catch (...) {
        ReportCurrentException("a " + SizeText(frame) + " frame", "; it passes through unchanged");
    }
    if (frame.in != frame.out) std::memmove(frame.out, frame.in, size_t(frame.width) * frame.height * sizeof *frame.out);
}

void RgbaRenderer::render(SharedEffect& effect, const RgbaFrame& frame, FrameSettings settings) {
    request_.values = std::move(settings.values);
    request_.downsample_x = request_.downsample_y = settings.downsample;
    request_.time = settings.time;
    request_.worlds = &effect.worlds();
    const size_t pixels = size_t(frame.width) * frame.height;
    if (frame.width > INT32_MAX || frame.height > INT32_MAX) {
        const std::string size = SizeText(frame);
        throw FrameFailure(size, "a " + size + " frame is too large; it passes through unchanged");
    }
    // From the session's pool, as the output is, so that a renderer made for
    // one frame costs no fresh frame-sized block. Throws
    // std::invalid_argument for a row too long for the host's records.
    request_.input = effect.worlds().take({PF_PixelFormat_ARGB32, int32_t(frame.width), int32_t(frame.height), std::nullopt});
    RgbaToArgb(frame.in, pixels, request_.input.row(0));
    hostsim::FrameResult result = effect.render(request_);
    effect.worlds().give(std::move(request_.input));
    if (result.result != PF_Err_NONE) {
        const std::string text = hostsim::DescribeFailure("rendering a " + SizeText(frame) + " frame", result.result,
                                                          result.out.return_msg, sizeof result.out.return_msg) +
                                 "; such frames pass through unchanged";
        throw FrameFailure(text, text);
    }
    ArgbToRgba(result.output.row(0), pixels, frame.out);
    effect.worlds().give(std::move(result.output));
}

} // namespace irisplit_bridge
