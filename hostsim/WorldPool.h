// Frame-sized worlds kept across frames, as a host keeps its blocks instead of
// asking the system for fresh memory (and faulting it in) on every frame.
#pragma once

#include "hostsim/World.h"

#include <mutex>
#include <vector>

namespace hostsim {

class WorldPool {
public:
    // A kept world of this shape, its pixels as its last user left them, or
    // a fresh zeroed one when none is kept. Thread safe.
    World take(const WorldShape& shape);
    // Keeps the world for a later take(); one whose guard bytes were
    // overwritten is dropped, so that no damage carries over. Thread safe.
    void give(World world);

private:
    std::mutex mutex_;
    std::vector<World> kept_;
};

} // namespace hostsim
