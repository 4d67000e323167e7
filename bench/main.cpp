// irx_bench: times each stage of the effect's frames over a matrix of sizes,
// depths, blur radii and render thread counts, and writes the report.
#include "BenchOptions.h"
#include "CopyBandwidth.h"
#include "FrameBench.h"
#include "PeerResults.h"
#include "ResultsReport.h"

#include <chrono>
#include <exception>
#include <fstream>
#include <iostream>

namespace {

void PrintRow(const RowResult& row)
{
    std::cerr << row.width << "x" << row.height << " depth " << DepthName(row.format) << " blur "
              << row.blur << " threads " << row.threads << ":";
    for (int stage = 0; stage < IrxStageCount; ++stage) {
        std::cerr << " " << StageName(stage) << " " << row.stages[stage].median * 1e3 << " ms";
    }
    std::cerr << std::endl;
}

int Run(const BenchOptions& options)
{
    const auto start = std::chrono::steady_clock::now();
    BenchRun run;
    run.command = options.command.empty() ? "build/bench/irx_bench" : options.command;
    if (!options.peerFile.empty()) {
        run.peer = PeerResults(options.peerFile);
    }
    run.machine = DescribeMachine();
    if (!options.loadAverage.empty()) {
        run.machine.loadAverage = options.loadAverage;
    }
    if (options.measureBandwidth) {
        run.machine.bandwidth = MeasureCopyBandwidth();
        std::cerr << "copy bandwidth " << run.machine.bandwidth->bytesPerSecond / 1e9 << " GB/s"
                  << std::endl;
    }

    FrameBench bench(options.modulePath);
    run.machine.contextInfo = bench.contextInfo();
    for (const FrameSize& size : options.sizes) {
        for (PF_PixelFormat format : options.formats) {
            const hostsim::World input = MakeInputWorld(size.width, size.height, format);
            for (double blur : options.blurs) {
                for (unsigned threads : options.threads) {
                    run.rows.push_back(bench.run(input, blur, threads, options.timedFrames));
                    PrintRow(run.rows.back());
                }
            }
        }
    }
    run.wallSeconds = options.peerSeconds +
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    if (!options.resultsFile.empty()) {
        std::ofstream results(options.resultsFile);
        WriteReport(results, run);
        if (!results) {
            std::cerr << "irx_bench: cannot write " << options.resultsFile << std::endl;
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const BenchOptions options = ParseOptions(argc, argv);
    try {
        return Run(options);
    } catch (const std::exception& e) {
        std::cerr << "irx_bench: " << e.what() << std::endl;
        return 1;
    }
}
