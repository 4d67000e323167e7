// Per-frame times of the ffmpeg peer, as bench/peer-ffmpeg.sh writes them:
// one row per line, "width height depth blur threads seconds", tab separated.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <tuple>

struct PeerKey {
    int width = 0;
    int height = 0;
    std::string depth; // "8", "16" or "float"
    double blur = 0;
    unsigned threads = 0;

    bool operator<(const PeerKey& other) const
    {
        return std::tie(width, height, depth, blur, threads) <
               std::tie(other.width, other.height, other.depth, other.blur, other.threads);
    }
};

class PeerResults {
public:
    PeerResults() = default;
    // Throws std::runtime_error when the file cannot be read or a line is malformed.
    explicit PeerResults(const std::string& path);

    std::optional<double> seconds(const PeerKey& key) const;
    bool empty() const { return seconds_.empty(); }
    const std::string& version() const { return version_; }

private:
    std::map<PeerKey, double> seconds_;
    std::string version_; // from the "# ffmpeg ..." line, when present
};
