#include "Errors.h"

#include "hostsim/Commands.h"

namespace irisplit {

std::string Listed(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

EffectError EffectFailure(const std::string& command, int32_t code, const char* returnMsg,
                          size_t returnMsgSize)
{
    return EffectError(hostsim::DescribeFailure(command, code, returnMsg, returnMsgSize));
}

} // namespace irisplit
