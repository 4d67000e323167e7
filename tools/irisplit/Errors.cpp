#include "Errors.h"

#include <cstring>

namespace irisplit {

EffectError EffectFailure(const std::string& command, int32_t code, const char* returnMsg,
                          size_t returnMsgSize)
{
    std::string text = command + " failed: host result code " + std::to_string(code);
    // The host's message field need not be terminated.
    const std::string message(returnMsg, strnlen(returnMsg, returnMsgSize));
    if (!message.empty()) {
        text += "; the effect says: " + message;
    }
    return EffectError(text);
}

} // namespace irisplit
