// The irisplit MLT filter: each frame's RGBA image through the shared effect,
// its properties read at the frame's position (ControlReading.h). Position
// and Blur mean pixels of the profile's frame: a frame asked for at another
// size (a preview, a proxy) tells the effect the matching downsample factor,
// so it looks the same. Frames of one filter may render on several MLT
// threads at once.
#pragma once

#include <framework/mlt.h>

namespace irisplit_mlt {

// MLT's constructor for the "irisplit" filter service; null when out of memory.
mlt_filter NewIrisplitFilter(mlt_profile profile, mlt_service_type type, const char* id, const void* arg);

} // namespace irisplit_mlt
