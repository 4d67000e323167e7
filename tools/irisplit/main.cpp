// irisplit: applies the Irisplit effect to images and image sequences through
// the simulated host, and reports what the host learns about the effect.
#include "Errors.h"
#include "InfoCommand.h"
#include "RenderCommand.h"

#include <CLI/CLI.hpp>

#include <exception>
#include <functional>
#include <optional>
#include <iostream>

namespace {

constexpr const char* kRenderFooter = R"(
Numeric options take one number or keyframes FRAME:VALUE,FRAME:VALUE,... that
are interpolated linearly per frame and held before the first and after the
last key, e.g. --position 1:0,24:40. Values outside the effect's valid range
are refused. Unset options take the effect's defaults (Position 0.5, Scale 100).

A numbered sequence names its files with %04d (printf style) or #### (one #
per digit) and needs --frames; a still IN with a numbered OUT renders the
still once per frame, with the keyframes applied.

Pixels pass as stored: no alpha (un)premultiplication, no colour conversion;
a file without alpha is opaque. 16-bit files hold 0..65535, the host's 16-bit
range is 0..32768: samples are scaled both ways and rounded, so identity
settings reproduce a 16-bit file within 1. OUT keeps IN's channels, sample
depth and metadata (a grey IN gives an RGB OUT); its extension picks the
format. Files are written under a temporary name and renamed when complete.

Exit codes: 0 success, 1 internal failure, 2 usage error, 3 a file (input,
output or the effect module) could not be read or written, 4 the effect
returned an error (its host result code and message are printed).)";

void AddRenderCommand(CLI::App& app, irisplit::RenderOptions& o, std::function<void()> run)
{
    CLI::App* render = app.add_subcommand("render", "Apply the effect to an image or a numbered sequence");
    render->footer(kRenderFooter);
    render->add_option("IN", o.input, "Input image or numbered sequence (plate.%04d.exr, plate.####.exr)")
        ->required();
    render->add_option("OUT", o.output, "Output image or numbered sequence; the extension picks the format")
        ->required();
    struct Optional {
        const char* name;
        std::optional<std::string>& target;
        const char* help;
    };
    for (const Optional& option : {
             Optional{"--channels", o.channels, "Channel pair to split: red-blue (default), red-green, green-blue"},
             Optional{"--position", o.position, "Offset of the pair in pixels along both axes, -2000..2000 "
                                                "(default 0.5); number or keyframes"},
             Optional{"--rotation", o.rotation, "Rotation of the pair in degrees (default 0); number or keyframes"},
             Optional{"--scale", o.scale, "Scale of the pair in percent, -1000..1000 (default 100); number or "
                                          "keyframes"},
             Optional{"--blur", o.blur, "Blur reach of the pair in pixels, 0..1000 (default 0); number or "
                                        "keyframes"},
             Optional{"--frames", o.frames, "Frames to render, A-B or N (needed for numbered names)"}}) {
        render->add_option_function<std::string>(
            option.name, [&target = option.target](const std::string& v) { target = v; }, option.help);
    }
    render->add_option_function<int>(
        "--depth", [&o](int depth) { o.depth = depth; },
        "Host world depth 8, 16 or 32 (float); default: each input file's own");
    render->add_option("--downsample", o.downsample,
                       "The host's downsample factor N/D: IN is taken as a frame at that resolution, so "
                       "Position and Blur are scaled by N/D")
        ->capture_default_str();
    render->add_option("--threads", o.threads,
                       "Frames rendered at once, each on its own host render thread (default: all cores)");
    render->add_flag("-q,--quiet", o.quiet, "Print no progress");
    render->add_option("--module", o.modulePath, "Effect module to load (default: next to irisplit, "
                                                 "else the one it was built with)");
    render->callback(std::move(run));
}

int Fail(int code, const std::string& message)
{
    std::cerr << "irisplit: " << message << "\n";
    return code;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace irisplit;
    CLI::App app("irisplit: applies the Irisplit effect to images through the simulated host");
    app.require_subcommand(1);

    RenderOptions renderOptions;
    std::string infoModule;
    CLI::App* info = app.add_subcommand("info", "Show what the host learns about the effect: PiPL, "
                                                "registration, about text, context, parameters");
    info->add_option("--module", infoModule, "Effect module to load");

    try {
        AddRenderCommand(app, renderOptions, [&] { RunRender(renderOptions); });
        info->callback([&] { RunInfo(infoModule); });
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {
            return app.exit(e); // --help
        }
        app.exit(e);
        return kExitUsage;
    } catch (const UsageError& e) {
        return Fail(kExitUsage, e.what());
    } catch (const FileError& e) {
        return Fail(kExitFile, e.what());
    } catch (const EffectError& e) {
        return Fail(kExitEffect, e.what());
    } catch (const std::exception& e) {
        return Fail(kExitInternal, e.what());
    }
    return kExitOk;
}
