// Bytes one frame moves through memory, stage by stage, as the module moves
// them: every buffer counted once per read and once per write, caches ignored.
#pragma once

#include "host/HostTypes.h"

#include <cstdint>

struct FrameTraffic {
    double upload = 0;
    double passes = 0;
    double readBack = 0;

    double total() const { return upload + passes + readBack; }
};

FrameTraffic CountTraffic(int32_t width, int32_t height, PF_PixelFormat format, bool blurOn);
