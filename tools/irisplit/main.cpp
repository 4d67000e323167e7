// irisplit: applies the Irisplit effect to images and image sequences through
// the simulated host, and reports what the host learns about the effect.
#include "EffectControls.h"
#include "Errors.h"
#include "InfoCommand.h"
#include "MemorySettings.h"
#include "RenderCommand.h"
#include "Signals.h"

#include "hostsim/ModuleLoader.h"
#include "hostsim/Session.h"
#include "hostsim/ThreadStart.h"

#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>
#include <new>
#include <optional>

namespace {

constexpr const char* kRenderFooter = R"(
What the controls do. The pair's first channel (red for red-blue and
red-green, blue for green-blue) is moved one way, the second (blue, green,
green) the opposite way; the third channel stays, and alpha goes with green.
  --position P   the first channel moves P pixels left and up, the second
                 P pixels right and down (negative P: the other way round).
  --rotation R   the first channel turns R degrees clockwise about the frame
                 centre, the second R degrees anticlockwise (on a frame that
                 is not square the turn is in normalised coordinates, so it
                 also shears).
  --scale S      percent: the first channel is shown at 100/S of its size,
                 the second at S/100 (S 200: the first at half size, the
                 second at twice). A negative S also mirrors both through
                 the centre; at 0 the first channel takes the colour of the
                 frame centre everywhere, and what the second shows is left
                 to the GPU.
  --blur B       blurs the moved pair along rows and columns, B pixels on
                 each side of a pixel: a Gaussian of sigma B/sqrt(2), not B.

Numeric options take one number or keyframes FRAME:VALUE,FRAME:VALUE,... that
are interpolated linearly per frame and held before the first and after the
last key, e.g. --position 1:0,24:40. Values outside the effect's valid range
are refused before the effect is loaded.

A numbered sequence names its files with %04d (printf style), # (four digits)
or @ (one digit per @), as oiiotool does: plate.#.exr and plate.@@@@.exr both
name plate.0001.exr, and frame -2 is plate.-002.exr. It needs --frames: a
list of N, A-B and A-BxSTEP (every STEP-th frame), e.g. 1-100x2, 1,5,10-20 or
-10--1; no frame may be named twice. Without --frames, a name with # or @
that is an existing file is that file (icon@2x.png), and OUT is taken as
written. A still IN with a numbered OUT renders the still once per frame,
with the keyframes applied.

Pixels pass as stored: no alpha (un)premultiplication, no colour conversion;
OUT declares its alpha associated or not as IN does, unless its format holds
only the other kind: then colour is multiplied by alpha (OpenEXR) or divided
by it (PNG), as oiiotool does; a file without alpha is opaque. Samples keep
their values: 8-bit files render at 8 bits, 16-bit, signed, half and float
ones as float, so identity settings reproduce them exactly; uint32, int32,
64-bit and double files are refused unless --depth 32 rounds them to float.
A --depth narrower than a file's own clips or rounds its samples (said once
on standard error). OUT keeps IN's channels, sample type (where its format
holds it; said once where not) and metadata (a grey IN gives an RGB OUT), in
whole samples and a lossless compression; its extension picks the format.
Each file is written under a temporary name (encoded in memory and every
write checked, or, where the format's writer cannot encode in memory
as TIFF's cannot, read back and compared pixel for pixel), synced and renamed
when complete: an existing file is never replaced by a partial one. A
symbolic link's target is written and the link stays; a replaced file keeps
its permission bits; channels a format cannot hold are dropped or added, and
said once. SIGINT, SIGTERM or SIGHUP
removes the temporary file and ends irisplit by that same signal, keeping
the frames already written; a signal the caller ignores (nohup) stays
ignored.

The effect's own diagnostics (its OpenGL information) go to standard error,
or nowhere with --quiet; standard output carries nothing during a render.

Exit codes: 0 success, 1 internal failure, 2 usage error, 3 a file (input,
output or the effect module) could not be read or written (an input that
ends early among them), a frame is larger than the renderer, the output
format or the memory takes, memory ran out during the render, or a thread
could not start, 4 the effect returned an error (its host result code and
message are printed).)";

std::string ControlHelp(const char* what, const char* control)
{
    return std::string(what) + " (" + irisplit::EffectControls::Known().describe(control) + "); number or keyframes";
}

CLI::App* AddRenderCommand(CLI::App& app, irisplit::RenderOptions& o)
{
    CLI::App* render = app.add_subcommand("render", "Apply the effect to an image or a numbered sequence");
    render->footer(kRenderFooter);
    render->add_option("IN", o.input, "Input image or numbered sequence (plate.%04d.exr, plate.#.exr)")->required();
    render->add_option("OUT", o.output, "Output image or numbered sequence; the extension picks the format")
        ->required();
    struct Optional {
        const char* name;
        std::optional<std::string>& target;
        std::string help;
    };
    for (const Optional& option : {
             Optional{"--channels", o.channels, "Channel pair to split: red-blue (default), red-green, green-blue"},
             Optional{"--position", o.position, ControlHelp("Offset of the pair in pixels", "Position")},
             Optional{"--rotation", o.rotation, ControlHelp("Rotation of the pair in degrees", "Rotation")},
             Optional{"--scale", o.scale, ControlHelp("Scale of the pair in percent", "Scale")},
             Optional{"--blur", o.blur, ControlHelp("Blur reach of the pair in pixels", "Blur")},
             Optional{"--frames", o.frames, "Frames to render: N, A-B, A-BxSTEP, comma separated (needed for "
                                            "numbered names)"}}) {
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
                       "Frames rendered at once, each on a host render thread of its own, at most " +
                           std::to_string(irisplit::kMostRenderThreads) + " (the effect's render contexts); 0: one per core "
                       "(default 1: the renderer spreads each frame over the cores by itself, and files are "
                       "read and written on threads of their own)");
    render->add_option("--png-compression", o.pngCompression,
                       "zlib level of PNG outputs, 0 (none, fastest) to 9 (smallest, slowest); with PNG's "
                       "adaptive row filters, 4 writes files about a tenth larger than 6 (oiiotool's level) "
                       "in less than half the time")
        ->capture_default_str();
    render->add_flag("-n,--no-clobber", o.noClobber,
                     "Never overwrite an existing output file: refuse before rendering (exit 3)");
    render->add_flag("-q,--quiet", o.quiet, "Print no progress and none of the effect's diagnostics");
    render->add_option("--module", o.modulePath, "Effect module to load (default: next to irisplit, "
                                                 "else the one it was built with)");
    return render;
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
    app.set_version_flag("--version", "irisplit " IRX_VERSION);
    app.require_subcommand(1);

    RenderOptions renderOptions;
    std::string infoModule;
    CLI::App* info = app.add_subcommand("info", "Show what the host learns about the effect: PiPL, "
                                                "registration, about text, context, parameters");
    info->add_option("--module", infoModule, "Effect module to load");

    CLI::App* render = AddRenderCommand(app, renderOptions);
    try {
        app.parse(argc, argv);
        if (render->parsed() && renderOptions.frames) {
            KeepLargeBlocks(); // a sequence
        }
        const SignalHandling signals; // before any other thread starts
        if (render->parsed()) {
            RunRender(renderOptions);
        } else {
            RunInfo(infoModule);
        }
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {
            return app.exit(e); // --help, --version
        }
        const std::string help = render->parsed() ? "irisplit render --help"
                                 : info->parsed() ? "irisplit info --help"
                                                  : "irisplit --help";
        // The parser says only that a command is missing when the first word is none.
        const bool unknownCommand = !render->parsed() && !info->parsed() && argc > 1;
        const std::string what = unknownCommand ? "'" + std::string(argv[1]) + "' is not a command (render, info)"
                                                : std::string(e.what());
        return Fail(kExitUsage, what + " (see " + help + ")");
    } catch (const UsageError& e) {
        return Fail(kExitUsage, e.what());
    } catch (const FileError& e) {
        return Fail(kExitFile, e.what());
    } catch (const EffectError& e) {
        return Fail(kExitEffect, e.what());
    } catch (const hostsim::ModuleLoadError& e) {
        return Fail(kExitFile, e.what());
    } catch (const hostsim::CommandFailure& e) {
        return Fail(kExitEffect, e.what());
    } catch (const OutOfMemory& e) {
        return Fail(kExitFile, e.what());
    } catch (const std::bad_alloc&) {
        return Fail(kExitFile, "out of memory: the system gave irisplit less than the frames need (fewer "
                               "--threads need less)");
    } catch (const hostsim::ThreadStartError& e) {
        return Fail(kExitFile, e.what());
    } catch (const std::exception& e) {
        return Fail(kExitInternal, e.what());
    }
    return kExitOk;
}
