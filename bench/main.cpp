// irx_bench: times each stage of the effect's frames over a matrix of sizes,
// depths, blur radii and render thread counts, and writes the report.
#include "BenchOptions.h"
#include "CopyBandwidth.h"
#include "FrameBench.h"
#include "PeerResults.h"
#include "ResultsReport.h"
#include "RowFile.h"

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
    if (!options.smallPageRows.empty()) {
        run.smallPageRows = ReadRowFile(options.smallPageRows);
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
            std::vector<std::vector<RowResult>> byThreads; // [thread count][blur]
            for (unsigned threads : options.threads) {
                byThreads.push_back(
                    bench.runGroup(input, options.blurs, threads, options.timedFrames));
                for (const RowResult& row : byThreads.back()) {
                    PrintRow(row);
                }
            }
            // The table lists a radius's thread counts side by side.
            for (size_t blur = 0; blur < options.blurs.size(); ++blur) {
                for (const std::vector<RowResult>& rows : byThreads) {
                    run.rows.push_back(rows[blur]);
                }
            }
        }
    }
    run.wallSeconds = options.secondsBefore +
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    if (!options.rowsOut.empty()) {
        WriteRowFile(options.rowsOut, run.rows);
    }
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
