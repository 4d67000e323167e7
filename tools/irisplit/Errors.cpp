#include "Errors.h"

#include "hostsim/Commands.h"

namespace irisplit {

EffectError EffectFailure(const std::string& command, int32_t code, const char* returnMsg,
                          size_t returnMsgSize)
{
    return EffectError(hostsim::DescribeFailure(command, code, returnMsg, returnMsgSize));
}

} // namespace irisplit
