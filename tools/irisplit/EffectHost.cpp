#include "EffectHost.h"

#include "Errors.h"

namespace irisplit {

EffectHost::EffectHost(const std::string& modulePath) try : host_(modulePath) {
} catch (const hostsim::ModuleLoadError& e) {
    throw FileError("cannot load the effect module '" + modulePath + "': " + e.what());
}

EffectHost::~EffectHost()
{
    if (setUp_) {
        host_.globalSetdown();
    }
}

hostsim::CommandResult EffectHost::globalSetup()
{
    hostsim::CommandResult result = host_.globalSetup();
    setUp_ = true; // a failed setup may still have left state behind
    if (result.result != PF_Err_NONE) {
        throw EffectFailure("global setup", result.result, result.out.return_msg, sizeof result.out.return_msg);
    }
    return result;
}

hostsim::ParamsSetupResult EffectHost::paramsSetup()
{
    hostsim::ParamsSetupResult result = host_.paramsSetup();
    if (result.result != PF_Err_NONE) {
        throw EffectFailure("parameter setup", result.result, result.out.return_msg, sizeof result.out.return_msg);
    }
    return result;
}

void EffectHost::finish()
{
    setUp_ = false;
    const hostsim::CommandResult result = host_.globalSetdown();
    if (result.result != PF_Err_NONE) {
        throw EffectFailure("global setdown", result.result, result.out.return_msg, sizeof result.out.return_msg);
    }
}

} // namespace irisplit
