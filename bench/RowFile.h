// Measured rows kept between two runs of the benchmark, so that one report can
// set rows measured under another memory set-up beside its own. One row per
// line, tab separated: width height depth blur threads frames, then median and
// spread in seconds for each stage in the clock's order.
#pragma once

#include "FrameBench.h"

#include <string>
#include <vector>

// Both throw std::runtime_error when the file cannot be written or read, or
// a line is malformed.
void WriteRowFile(const std::string& path, const std::vector<RowResult>& rows);
std::vector<RowResult> ReadRowFile(const std::string& path);
