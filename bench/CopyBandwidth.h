// The machine's memory copy bandwidth, the yardstick of the traffic floor.
#pragma once

struct CopyBandwidth {
    unsigned threads = 0;         // threads copying at once, one buffer pair each
    double bytesPerSecond = 0;    // read plus written bytes per second, all threads together
};

// Best of several rounds of memcpy between buffers far larger than the caches,
// on every core at once (the software renderer uses them all).
CopyBandwidth MeasureCopyBandwidth();
