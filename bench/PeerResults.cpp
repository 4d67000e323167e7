#include "PeerResults.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

PeerResults::PeerResults(const std::string& path)
{
    std::ifstream file(path);
    if (!file) {
        throw std::runtime_error("cannot read the peer times in " + path);
    }
    int lineNumber = 0;
    for (std::string line; std::getline(file, line);) {
        ++lineNumber;
        if (line.empty()) {
            continue;
        }
        if (line[0] == '#') {
            if (line.compare(0, 9, "# ffmpeg ") == 0) {
                version_ = line.substr(2);
            }
            continue;
        }
        std::istringstream fields(line);
        PeerKey key;
        double seconds = 0;
        if (!(fields >> key.width >> key.height >> key.depth >> key.blur >> key.threads >> seconds)) {
            throw std::runtime_error(path + ":" + std::to_string(lineNumber) + ": malformed line");
        }
        seconds_[key] = seconds;
    }
}

std::optional<double> PeerResults::seconds(const PeerKey& key) const
{
    const auto found = seconds_.find(key);
    if (found == seconds_.end()) {
        return std::nullopt;
    }
    return found->second;
}
