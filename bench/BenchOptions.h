// What to measure: the matrix of rows and where the results go.
#pragma once

#include "host/HostTypes.h"

#include <cstdint>
#include <string>
#include <vector>

struct FrameSize {
    int32_t width = 0;
    int32_t height = 0;
};

struct BenchOptions {
    std::string modulePath;
    std::vector<FrameSize> sizes;
    std::vector<PF_PixelFormat> formats;
    std::vector<double> blurs; // pixels
    std::vector<unsigned> threads;
    unsigned timedFrames = 5; // per row, after the warm-up frames of its group
    bool measureBandwidth = true;
    std::string peerFile;    // ffmpeg peer times; "" for none
    double secondsBefore = 0; // how long the steps before this program took, for the report
    std::string loadAverage; // the machine's load before the benchmark; "" reads it now
    std::string resultsFile; // the Markdown report; "" for none
    std::string rowsOut;       // the rows as a table file; "" for none
    std::string smallPageRows; // such a file from a run without huge pages; "" for none
    std::string command;     // the command that reproduces the run, for the report
};

// Parses the command line; exits as CLI11 does on --help or a bad argument.
BenchOptions ParseOptions(int argc, char** argv);

// "8", "16" or "float".
std::string DepthName(PF_PixelFormat format);
