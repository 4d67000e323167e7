#include "BenchOptions.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstdlib>

namespace {

FrameSize ParseSize(const std::string& text)
{
    FrameSize size;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%dx%d%c", &size.width, &size.height, &rest) != 2 ||
        size.width <= 0 || size.height <= 0) {
        throw CLI::ValidationError("--sizes", "'" + text + "' is not WIDTHxHEIGHT");
    }
    return size;
}

PF_PixelFormat ParseDepth(const std::string& text)
{
    if (text == "8") {
        return PF_PixelFormat_ARGB32;
    }
    if (text == "16") {
        return PF_PixelFormat_ARGB64;
    }
    if (text == "float") {
        return PF_PixelFormat_ARGB128;
    }
    throw CLI::ValidationError("--depths", "'" + text + "' is none of 8, 16, float");
}

} // namespace

std::string DepthName(PF_PixelFormat format)
{
    switch (format) {
    case PF_PixelFormat_ARGB32:
        return "8";
    case PF_PixelFormat_ARGB64:
        return "16";
    default:
        return "float";
    }
}

BenchOptions ParseOptions(int argc, char** argv)
{
    BenchOptions options;
    options.modulePath = IRX_BENCH_MODULE_PATH;
    std::vector<std::string> sizes{"1280x720", "1920x1080", "3840x2160"};
    std::vector<std::string> depths{"8", "16", "float"};
    options.blurs = {0, 10, 100};
    options.threads = {1, 2};
    bool noBandwidth = false;

    CLI::App app{"Times each stage of the effect's frames through the host simulator."};
    app.add_option("--module", options.modulePath, "the benchmark build of the effect module");
    app.add_option("--sizes", sizes, "frame sizes, WIDTHxHEIGHT")->delimiter(',');
    app.add_option("--depths", depths, "bit depths: 8, 16, float")->delimiter(',');
    app.add_option("--blurs", options.blurs, "blur radii in pixels")->delimiter(',');
    app.add_option("--threads", options.threads, "render thread counts")
        ->delimiter(',')
        ->check(CLI::PositiveNumber);
    app.add_option("--frames", options.timedFrames, "timed frames per row (at least 1)")
        ->check(CLI::PositiveNumber);
    app.add_flag("--no-bandwidth", noBandwidth, "skip the copy-bandwidth measurement");
    app.add_option("--peer", options.peerFile, "ffmpeg peer times from bench/peer-ffmpeg.sh");
    app.add_option("--seconds-before", options.secondsBefore,
                   "how long the steps before this program took (the peer, the small-page rows)");
    app.add_option("--load-average", options.loadAverage,
                   "the load before the benchmark began, as /proc/loadavg starts");
    app.add_option("--results", options.resultsFile, "write the Markdown report here");
    app.add_option("--rows-out", options.rowsOut,
                   "also write the measured rows here, for another run's --small-page-rows");
    app.add_option("--small-page-rows", options.smallPageRows,
                   "rows measured by a run without huge pages, reported beside this run's");
    app.add_option("--command", options.command, "the command to name in the report");
    try {
        app.parse(argc, argv);
        for (const std::string& size : sizes) {
            options.sizes.push_back(ParseSize(size));
        }
        for (const std::string& depth : depths) {
            options.formats.push_back(ParseDepth(depth));
        }
        if (options.blurs.empty()) {
            throw CLI::ValidationError("--blurs", "give at least one radius");
        }
    } catch (const CLI::ParseError& e) {
        std::exit(app.exit(e));
    }
    options.measureBandwidth = !noBandwidth;
    return options;
}
