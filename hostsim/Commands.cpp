#include "hostsim/Commands.h"

#include <cmath>
#include <cstring>

namespace hostsim {

bool Leftovers::clean() const {
    return suites.empty() && handles == 0 && lockedHandles == 0 && paramsCheckedOut.empty() && !inputPixelsCheckedOut;
}

std::string Leftovers::describe() const {
    std::string out;
    for (const auto& [suite, held] : suites)
        out += "suite \"" + suite.name + "\" " + std::to_string(suite.version) + " held " + std::to_string(held) + "; ";
    if (handles) out += std::to_string(handles) + " handle(s) not disposed; ";
    if (lockedHandles) out += std::to_string(lockedHandles) + " handle lock(s) not undone; ";
    for (int32_t index : paramsCheckedOut) out += "parameter " + std::to_string(index) + " not checked in; ";
    if (inputPixelsCheckedOut) out += "input pixels not checked in; ";
    return out;
}

std::string DescribeFailure(const std::string& command, PF_Err code, const char* returnMsg, size_t returnMsgSize) {
    std::string text = command + " failed: host result code " + std::to_string(code);
    const std::string message(returnMsg, strnlen(returnMsg, returnMsgSize));
    if (!message.empty()) text += "; the effect says: " + message;
    return text;
}

PF_Fixed DegreesToFixed(double degrees) {
    const double fixed = std::round(degrees * 65536.0);
    if (std::isnan(fixed)) return 0;
    if (fixed >= 2147483647.0) return INT32_MAX;
    if (fixed <= -2147483648.0) return INT32_MIN;
    return static_cast<PF_Fixed>(fixed);
}

PreRenderRequest PreRenderRequest::WholeFrame(int32_t width, int32_t height) {
    PreRenderRequest request;
    request.request.rect = PF_LRect{0, 0, width, height};
    request.request.channel_mask = 0xF;
    request.inputCheckout.result_rect = request.request.rect;
    request.inputCheckout.max_result_rect = request.request.rect;
    request.inputCheckout.par = 1.0;
    return request;
}

} // namespace hostsim
