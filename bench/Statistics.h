// Summary of one stage's times over the timed frames of a row.
#pragma once

#include <vector>

struct Summary {
    double median = 0;
    double spread = 0; // half the distance between the slowest and the fastest sample
};

// Throws std::invalid_argument for no samples.
Summary Summarize(std::vector<double> samples);
