// The MLT module's entry point: registers the irisplit filter and its
// metadata, read from the YAML installed for it. Nothing thrown inside
// crosses into MLT.
#include "IrisplitFilter.h"

#include "plugins/bridge/FailureLog.h"
#include "plugins/bridge/SharedEffect.h"

#include "hostsim/ModuleLookup.h"

#include <string>

namespace irisplit_bridge {
const PluginDescription kPlugin{"Irisplit MLT filter", IRX_MODULE_FROM_PLUGIN};
} // namespace irisplit_bridge

namespace {

mlt_properties Metadata(mlt_service_type, const char*, void* fileName) {
    try {
        const std::string file = hostsim::BesidePlugin(irisplit_bridge::PluginFile(),
                                                       std::string(IRX_METADATA_FROM_PLUGIN "/") +
                                                           static_cast<const char*>(fileName));
        return mlt_properties_parse_yaml(file.c_str());
    } catch (...) {
        irisplit_bridge::ReportCurrentException("reading the filter's metadata");
        return nullptr;
    }
}

} // namespace

extern "C" __attribute__((visibility("default"))) MLT_REPOSITORY {
    MLT_REGISTER(mlt_service_filter_type, "irisplit", irisplit_mlt::NewIrisplitFilter);
    MLT_REGISTER_METADATA(mlt_service_filter_type, "irisplit", Metadata, const_cast<char*>("filter_irisplit.yml"));
}
