// The Markdown report of a benchmark run: machine, command, table, reading.
#pragma once

#include "CopyBandwidth.h"
#include "FrameBench.h"
#include "PeerResults.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

struct MachineInfo {
    std::string cpu;         // model name from /proc/cpuinfo
    unsigned cores = 0;
    std::string loadAverage; // 1, 5 and 15 minutes, when the benchmark started
    std::string contextInfo; // the module's context information block
    std::optional<CopyBandwidth> bandwidth;
    std::string transparentHugePages; // the kernel's mode, e.g. "madvise"; "" when unknown
    bool hugePageBlocks = false;      // glibc puts this process's large blocks on huge pages
};

struct BenchRun {
    MachineInfo machine;
    std::string command;
    std::vector<RowResult> rows;
    std::vector<RowResult> smallPageRows; // the same frames measured without huge pages
    PeerResults peer;
    double wallSeconds = 0; // the steps before this program and its own run together
};

// The CPU model, core count and load of this machine.
MachineInfo DescribeMachine();

void WriteReport(std::ostream& out, const BenchRun& run);
