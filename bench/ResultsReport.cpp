#include "ResultsReport.h"

#include "BenchOptions.h"
#include "StdoutCapture.h"
#include "Traffic.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iomanip>
#include <map>
#include <sstream>
#include <thread>

namespace {

std::string Fixed(double value, int decimals)
{
    std::ostringstream text;
    text << std::fixed << std::setprecision(decimals) << value;
    return text.str();
}

// Milliseconds with three significant figures or so.
std::string Milliseconds(double seconds)
{
    const double ms = seconds * 1e3;
    return Fixed(ms, ms < 10 ? 2 : ms < 100 ? 1 : 0);
}

std::string Cell(const Summary& summary)
{
    return Milliseconds(summary.median) + " ±" + Milliseconds(summary.spread);
}

std::string SizeName(const RowResult& row)
{
    return std::to_string(row.width) + "x" + std::to_string(row.height);
}

PeerKey PeerKeyOf(const RowResult& row)
{
    return PeerKey{row.width, row.height, DepthName(row.format), row.blur, row.threads};
}

// Rows of the same frames: size, depth and blur, whatever the thread count.
bool SameFrames(const RowResult& a, const RowResult& b)
{
    return a.width == b.width && a.height == b.height && a.format == b.format && a.blur == b.blur;
}

// The same frames on as many threads in `rows`, or null.
const RowResult* MatchingRow(const std::vector<RowResult>& rows, const RowResult& row)
{
    const auto same = std::find_if(rows.begin(), rows.end(), [&](const RowResult& other) {
        return other.threads == row.threads && SameFrames(other, row);
    });
    return same == rows.end() ? nullptr : &*same;
}

// A table row's first cells: what was rendered, then each stage's time.
void WriteMeasuredCells(std::ostream& out, const RowResult& row)
{
    out << "| " << SizeName(row) << " | " << DepthName(row.format) << " | " << row.blur << " | "
        << row.threads << " | " << row.timedFrames;
    for (int stage = 0; stage < IrxStageCount; ++stage) {
        out << " | " << Cell(row.stages[stage]);
    }
}

double FloorSeconds(const RowResult& row, const CopyBandwidth& bandwidth)
{
    return CountTraffic(row.width, row.height, row.format, row.blur > 0).total() /
           bandwidth.bytesPerSecond;
}

std::string UtcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &utc);
    return text;
}

void WriteMachine(std::ostream& out, const BenchRun& run)
{
    const MachineInfo& machine = run.machine;
    out << "## Machine\n\n";
    out << "- CPU: " << machine.cpu << ", " << machine.cores << " cores\n";
    if (!machine.loadAverage.empty()) {
        out << "- Load average before the benchmark (1, 5, 15 minutes): " << machine.loadAverage
            << " (work of its own on the machine would inflate every row)\n";
    }
    const std::string renderer = LineValue(machine.contextInfo, "OpenGL Renderer:");
    out << "- Renderer: " << (renderer.empty() ? "(not reported)" : renderer) << "\n";
    const std::string version = LineValue(machine.contextInfo, "OpenGL Version:");
    if (!version.empty()) {
        out << "- OpenGL version: " << version << "\n";
    }
    if (machine.bandwidth) {
        out << "- Copy bandwidth: " << Fixed(machine.bandwidth->bytesPerSecond / 1e9, 1)
            << " GB/s (memcpy on " << machine.bandwidth->threads
            << " threads at once, bytes read plus bytes written)\n";
    }
    if (machine.hugePageBlocks) {
        out << "- Memory: the benchmark's processes (ours and ffmpeg) run with "
               "`GLIBC_TUNABLES=glibc.malloc.hugetlb=1`, so glibc asks for transparent huge "
               "pages for large blocks (kernel mode: "
            << machine.transparentHugePages
            << "). Each frame allocates several frame-sized blocks afresh (the three render "
               "targets, the input texture, the host's staging blocks); faulting them in 4 KiB "
               "at a time costs as much on this virtual machine as the rest of a frame, which "
               "says more about the machine than about the effect. See Without huge pages "
               "below.\n";
    } else {
        out << "- Memory: glibc's default allocator, fresh blocks faulted in 4 KiB at a time "
               "(transparent huge pages: "
            << machine.transparentHugePages << ")\n";
    }
    if (!run.peer.version().empty()) {
        out << "- Peer: " << run.peer.version() << "\n";
    }
    if (renderer.find("llvmpipe") != std::string::npos) {
        out << "- GPU rows: none. No GPU machine was lent when these rows were made; every row "
               "ran on the software renderer above.\n";
    }
    out << "\n";
}

void WriteTable(std::ostream& out, const BenchRun& run)
{
    out << "## Table\n\n";
    out << "Milliseconds per frame: median ± half the range (slowest minus fastest, halved) "
           "over the timed frames. The rows of one size, depth and thread count share a "
           "host simulator session and its render threads, as the tool and the plug-ins run "
           "them; before the first of them each thread renders about "
           << FrameBench::kWarmUpFrames
           << " warm-up frames, the first with the blur passes on (the allocator takes a few "
              "frames to settle on reusing frame-sized blocks). Total is the "
           "whole smart render call; the stages are fenced with `glFinish`. Floor: the bytes "
           "that upload, passes and read-back move, divided by the copy bandwidth. ffmpeg: "
           "the peer's time per frame (rgbashift plus gblur on the two moved planes; Debian's "
           "ffmpeg has no float rgbashift, so its float rows shift at 16 bits between two "
           "conversions, which are counted); ratio: our total over it (above 1: we are "
           "slower).\n\n";
    out << "| Size | Depth | Blur | Threads | Frames | Rebuild | Upload | Passes | Read-back | "
           "Total | Floor | Total/floor | ffmpeg | Ours/ffmpeg |\n";
    out << "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
    for (const RowResult& row : run.rows) {
        WriteMeasuredCells(out, row);
        const double total = row.stages[IrxStageTotal].median;
        if (run.machine.bandwidth) {
            const double floor = FloorSeconds(row, *run.machine.bandwidth);
            out << " | " << Milliseconds(floor) << " | " << Fixed(total / floor, 0) << "×";
        } else {
            out << " | – | –";
        }
        if (const auto peer = run.peer.seconds(PeerKeyOf(row))) {
            out << " | " << Milliseconds(*peer) << " | " << Fixed(total / *peer, 2);
        } else {
            out << " | – | –";
        }
        out << " |\n";
    }
    out << "\n";
}

// The same frames measured without huge pages, beside this run's totals.
void WriteSmallPages(std::ostream& out, const BenchRun& run)
{
    if (run.smallPageRows.empty()) {
        return;
    }
    out << "## Without huge pages\n\n";
    out << "The same frames in a process with glibc's default allocator, whose fresh blocks "
           "the kernel faults in 4 KiB at a time. Milliseconds as in the table; the ratio is "
           "this total over the same row's total above.\n\n";
    out << "| Size | Depth | Blur | Threads | Frames | Rebuild | Upload | Passes | Read-back | "
           "Total | Total above | Ratio |\n";
    out << "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
    for (const RowResult& row : run.smallPageRows) {
        WriteMeasuredCells(out, row);
        if (const RowResult* same = MatchingRow(run.rows, row)) {
            const double total = same->stages[IrxStageTotal].median;
            out << " | " << Milliseconds(total) << " | "
                << Fixed(row.stages[IrxStageTotal].median / total, 1) << "×";
        } else {
            out << " | – | –";
        }
        out << " |\n";
    }
    out << "\n";
}

// The stage with the largest share of the total, with that share averaged
// over the rows given.
std::pair<IrxStage, double> DominantStage(const std::vector<const RowResult*>& rows)
{
    std::array<double, IrxStageTotal> share{};
    for (const RowResult* row : rows) {
        for (int stage = 0; stage < IrxStageTotal; ++stage) {
            share[stage] += row->stages[stage].median / row->stages[IrxStageTotal].median / rows.size();
        }
    }
    const auto top = std::max_element(share.begin(), share.end());
    return {static_cast<IrxStage>(top - share.begin()), *top};
}

double GeometricMean(const std::vector<double>& values)
{
    double logSum = 0;
    for (double value : values) {
        logSum += std::log(value);
    }
    return std::exp(logSum / values.size());
}

const char* Remedy(IrxStage stage)
{
    switch (stage) {
    case IrxStagePasses:
        return "Passes: each blur pass samples 2 × steps + 1 taps per pixel from a 32-bit "
               "float target, so its cost grows with the radius and, on a software renderer, "
               "is arithmetic rather than memory. Fewer taps would move it most (two taps per "
               "fetch through linear filtering halves them; a radius-independent recursive "
               "filter as ffmpeg's gblur uses removes the dependence), then half-float targets, "
               "then a real GPU.";
    case IrxStageReadBack:
        return "Read-back: the last target is read as 32-bit floats into a host block and "
               "copied once more into the output rows (per pixel through the host's iteration "
               "for float frames). Reading straight into the output rows (a pack row length) in "
               "the host's depth, or through a pixel-buffer object that overlaps the next "
               "frame, would remove one or two of the three copies.";
    case IrxStageUpload:
        return "Upload: 8- and 16-bit frames go to the texture straight from the host's rows; "
               "float frames first go through a per-pixel staging copy. Uploading float rows in "
               "place, or through a pixel-buffer object, would move it.";
    case IrxStageRebuild:
        return "Rebuild: the three float targets and the quad are deleted and made again on "
               "every frame, and the renderer clears each new target; without huge pages the "
               "kernel's first touch of that memory costs more than the clear. Keeping the "
               "targets while the frame size stays the same would remove the stage.";
    default:
        return "";
    }
}

void WriteReading(std::ostream& out, const BenchRun& run)
{
    out << "## Reading\n\n";
    out << "Largest stage by share of the total, averaged over depths and thread counts:\n\n";
    std::map<std::pair<int64_t, int32_t>, std::map<double, std::vector<const RowResult*>>> groups;
    std::vector<IrxStage> dominant;
    for (const RowResult& row : run.rows) {
        groups[{static_cast<int64_t>(row.width) * row.height, row.width}][row.blur].push_back(&row);
    }
    for (const auto& [size, byBlur] : groups) {
        out << "- " << SizeName(*byBlur.begin()->second.front()) << ":";
        const char* separator = " ";
        for (const auto& [blur, rows] : byBlur) {
            const auto [stage, share] = DominantStage(rows);
            out << separator << "blur " << blur << " " << StageName(stage) << " "
                << Fixed(share * 100, 0) << " %";
            separator = "; ";
            if (std::find(dominant.begin(), dominant.end(), stage) == dominant.end()) {
                dominant.push_back(stage);
            }
        }
        out << "\n";
    }
    out << "\n";

    std::vector<double> threadRatios;
    std::vector<double> peerRatios;
    for (const RowResult& row : run.rows) {
        if (const auto peer = run.peer.seconds(PeerKeyOf(row))) {
            peerRatios.push_back(row.stages[IrxStageTotal].median / *peer);
        }
        if (row.threads != 2) {
            continue;
        }
        for (const RowResult& single : run.rows) {
            if (single.threads == 1 && SameFrames(single, row)) {
                threadRatios.push_back(row.stages[IrxStageTotal].median /
                                       single.stages[IrxStageTotal].median);
            }
        }
    }
    if (!threadRatios.empty()) {
        const double ratio = GeometricMean(threadRatios);
        out << "With 2 render threads a frame's total is " << Fixed(ratio, 2)
            << "× its 1-thread time (geometric mean)";
        if (ratio > 1.1) {
            out << ": the two frames in flight share the cores the renderer already spreads "
                   "one frame over, so each takes longer while two finish together";
        }
        out << ".\n\n";
    }
    if (!run.smallPageRows.empty()) {
        std::vector<const RowResult*> rows;
        std::vector<double> ratios;
        for (const RowResult& row : run.smallPageRows) {
            rows.push_back(&row);
            if (const RowResult* same = MatchingRow(run.rows, row)) {
                ratios.push_back(row.stages[IrxStageTotal].median /
                                 same->stages[IrxStageTotal].median);
            }
        }
        const auto [stage, share] = DominantStage(rows);
        out << "Without huge pages the largest stage of those " << rows.size() << " rows is "
            << StageName(stage) << " (" << Fixed(share * 100, 0) << " %)";
        if (!ratios.empty()) {
            out << ", and a frame takes " << Fixed(GeometricMean(ratios), 1)
                << "× as long (geometric mean)";
        }
        out << ": every frame faults its fresh blocks in page by page.\n\n";
        if (std::find(dominant.begin(), dominant.end(), stage) == dominant.end()) {
            dominant.push_back(stage);
        }
    }
    if (!peerRatios.empty()) {
        out << "Against ffmpeg the geometric mean of ours/ffmpeg is "
            << Fixed(GeometricMean(peerRatios), 2) << " over " << peerRatios.size()
            << " rows.\n\n";
    }
    out << "What would move it:\n\n";
    for (IrxStage stage : dominant) {
        out << "- " << Remedy(stage) << "\n";
    }
    out << "\n";
}

} // namespace

MachineInfo DescribeMachine()
{
    MachineInfo machine;
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.compare(0, 10, "model name") == 0) {
            machine.cpu = line.substr(line.find(':') + 2);
            break;
        }
    }
    machine.cores = std::thread::hardware_concurrency();
    // The kernel marks its mode in brackets: "always [madvise] never".
    std::ifstream hugePages("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string modes;
    std::getline(hugePages, modes);
    const size_t open = modes.find('['), close = modes.find(']');
    machine.transparentHugePages =
        open != std::string::npos && close > open ? modes.substr(open + 1, close - open - 1) : "unknown";
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    machine.hugePageBlocks = tunables && (std::strstr(tunables, "glibc.malloc.hugetlb=1") ||
                                          std::strstr(tunables, "glibc.malloc.hugetlb=2"));
    std::ifstream loadavg("/proc/loadavg");
    std::string one, five, fifteen;
    if (loadavg >> one >> five >> fifteen) {
        machine.loadAverage = one + " " + five + " " + fifteen;
    }
    return machine;
}

void WriteReport(std::ostream& out, const BenchRun& run)
{
    out << "# Benchmark results\n\n";
    out << "Where each frame's time goes, against ffmpeg and the memory-traffic floor. "
           "Written by the benchmark on " << UtcNow() << "; the benchmark (peer, rows "
           "without huge pages and the table, without the build) ran " << Fixed(run.wallSeconds / 60, 1) << " minutes.\n\n";
    out << "Reproduce (from the project root):\n\n    " << run.command << "\n\n";
    WriteMachine(out, run);
    WriteTable(out, run);
    WriteSmallPages(out, run);
    WriteReading(out, run);
}
