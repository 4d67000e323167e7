#include "InfoCommand.h"

#include "DiagnosticsRouting.h"
#include "Errors.h"
#include "PiplReader.h"
#include "RendererLimits.h"

#include "hostsim/ModuleLookup.h"
#include "hostsim/Session.h"

#include <cstdio>
#include <cstring>
#include <ostream>
#include <stdexcept>

namespace irisplit {
namespace {

std::string Hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// The host's packed version: major, minor, fix level, stage, build.
std::string Version(uint32_t packed)
{
    return std::to_string(packed >> 19 & 0x7) + "." + std::to_string(packed >> 15 & 0xF) + " (fix " +
           std::to_string(packed >> 11 & 0xF) + ", stage " + std::to_string(packed >> 9 & 0x3) + ", build " +
           std::to_string(packed & 0x1FF) + ")";
}

std::string FourCharCode(int32_t code)
{
    const auto c = uint32_t(code);
    return std::string{char(c >> 24), char(c >> 16), char(c >> 8), char(c)};
}

std::string Message(const PF_OutData& out)
{
    std::string text(out.return_msg, strnlen(out.return_msg, sizeof out.return_msg));
    for (char& c : text) {
        c = c == '\r' ? '\n' : c;
    }
    return text;
}

void PrintPipl(std::ostream& out, hostsim::Host& host)
{
    std::vector<PiplProperty> properties;
    try {
        properties = ReadPipl(host.pipl());
    } catch (const std::runtime_error& e) {
        throw FileError("the module's PiPL cannot be read: " + std::string(e.what()));
    }
    out << "PiPL (" << properties.size() << " properties):\n";
    for (const PiplProperty& p : properties) {
        out << "  " << p.vendor << " " << p.key << "  id " << p.id << ", " << p.data.size()
                  << " bytes: " << p.describe() << "\n";
    }
}

void PrintRegistration(std::ostream& out, const hostsim::Registration& r)
{
    out << "\nRegistration (PluginDataEntryFunction, " << r.calls << " callback call"
              << (r.calls == 1 ? "" : "s") << ", result " << r.result << "):\n"
              << "  name \"" << r.name << "\", match name \"" << r.matchName << "\", category \""
              << r.category << "\"\n"
              << "  entry point \"" << r.entryPointName << "\", kind " << FourCharCode(r.kind) << ", API "
              << r.apiVersionMajor << "." << r.apiVersionMinor << ", reserved info " << r.reservedInfo << "\n";
    if (r.result != PF_Err_NONE) {
        throw EffectFailure("registration", r.result, "", 0);
    }
}

void PrintAbout(std::ostream& out, hostsim::Host& host)
{
    const hostsim::CommandResult about = host.about();
    if (about.result != PF_Err_NONE) {
        throw EffectFailure("about", about.result, about.out.return_msg, sizeof about.out.return_msg);
    }
    out << "\nAbout:\n" << Message(about.out) << "\n";
}

void PrintParameter(std::ostream& out, size_t position, const hostsim::AddedParam& added)
{
    const PF_ParamDef& def = added.def;
    out << "  " << position << "  \"" << def.name << "\"  id " << def.uu.id << ", ";
    switch (def.param_type) {
    case PF_Param_POPUP:
        out << "popup of " << def.u.pd.num_choices << " (" << added.popupNames << "), default "
                  << def.u.pd.dephault << "\n";
        break;
    case PF_Param_ANGLE:
        out << "angle in 16.16 degrees, valid " << def.u.ad.valid_min / 65536.0 << " to "
                  << def.u.ad.valid_max / 65536.0 << (def.u.ad.valid_min == def.u.ad.valid_max ? " (no range)" : "")
                  << ", default " << def.u.ad.dephault / 65536.0 << "\n";
        break;
    case PF_Param_FLOAT_SLIDER: {
        const PF_FloatSliderDef& s = def.u.fs_d;
        out << "float slider, valid " << s.valid_min << " to " << s.valid_max << ", slider "
                  << s.slider_min << " to " << s.slider_max << ", default " << s.dephault << ", precision "
                  << s.precision << "\n";
        break;
    }
    default:
        out << "type " << def.param_type << "\n";
    }
}

} // namespace

void RunInfo(const std::string& modulePath)
{
    const std::string path = hostsim::ModuleForTool(modulePath);
    DiagnosticsRouting routing(false);
    std::ostream& out = routing.userOutput();
    hostsim::SessionOptions options;
    options.renderThreads = 1;
    hostsim::Session session(path, options);
    out << "Module: " << path << "\n\n";
    PrintPipl(out, session.host());
    PrintRegistration(out, session.registration());
    PrintAbout(out, session.host());
    out << "\n" << irx_egl::Report(RendererChoice());

    // The module prints its context information (on standard error) while it sets up.
    out << "\nGlobal setup:" << std::endl;
    const hostsim::CommandResult& setup = session.setUp();
    out << "  my_version " << Hex(setup.out.my_version) << " = " << Version(setup.out.my_version)
              << "\n  out_flags " << Hex(uint32_t(setup.out.out_flags)) << ", out_flags2 "
              << Hex(uint32_t(setup.out.out_flags2)) << "\n";

    const hostsim::ParamsSetupResult& params = session.parameters();
    out << "\nParameters (num_params " << params.out.num_params << ", the input layer first):\n";
    for (size_t i = 0; i < params.added.size(); ++i) {
        PrintParameter(out, i + 1, params.added[i]);
    }
    session.setDown();
}

} // namespace irisplit
