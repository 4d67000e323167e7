#include "RowFile.h"

#include "BenchOptions.h"

#include <fstream>
#include <iomanip>
#include <limits>
#include <sstream>
#include <stdexcept>

namespace {

bool FormatOfDepthName(const std::string& name, PF_PixelFormat& format)
{
    for (PF_PixelFormat candidate :
         {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128}) {
        if (DepthName(candidate) == name) {
            format = candidate;
            return true;
        }
    }
    return false;
}

} // namespace

void WriteRowFile(const std::string& path, const std::vector<RowResult>& rows)
{
    std::ofstream file(path);
    file << std::setprecision(std::numeric_limits<double>::max_digits10);
    for (const RowResult& row : rows) {
        file << row.width << '\t' << row.height << '\t' << DepthName(row.format) << '\t'
             << row.blur << '\t' << row.threads << '\t' << row.timedFrames;
        for (const Summary& stage : row.stages) {
            file << '\t' << stage.median << '\t' << stage.spread;
        }
        file << '\n';
    }
    if (!file.flush()) {
        throw std::runtime_error("cannot write the rows to " + path);
    }
}

std::vector<RowResult> ReadRowFile(const std::string& path)
{
    std::ifstream file(path);
    if (!file) {
        throw std::runtime_error("cannot read the rows in " + path);
    }
    std::vector<RowResult> rows;
    int lineNumber = 0;
    for (std::string line; std::getline(file, line);) {
        ++lineNumber;
        std::istringstream fields(line);
        RowResult row;
        std::string depth;
        bool ok = static_cast<bool>(fields >> row.width >> row.height >> depth >> row.blur >>
                                    row.threads >> row.timedFrames) &&
                  FormatOfDepthName(depth, row.format);
        for (Summary& stage : row.stages) {
            ok = ok && static_cast<bool>(fields >> stage.median >> stage.spread);
        }
        std::string extra;
        if (!ok || fields >> extra) {
            throw std::runtime_error(path + ":" + std::to_string(lineNumber) + ": malformed row");
        }
        rows.push_back(row);
    }
    return rows;
}
