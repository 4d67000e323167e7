#include "Statistics.h"

#include <algorithm>
#include <stdexcept>

Summary Summarize(std::vector<double> samples)
{
    if (samples.empty()) {
        throw std::invalid_argument("no samples to summarize");
    }
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    const double median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    return Summary{median, (samples.back() - samples.front()) / 2};
}
