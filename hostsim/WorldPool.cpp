#include "hostsim/WorldPool.h"

#include <algorithm>

namespace hostsim {
namespace {

bool SameShape(const World& world, const WorldShape& shape) {
    const int32_t tight = shape.width * int32_t(PixelSize(shape.format));
    return world.format() == shape.format && world.width() == shape.width && world.height() == shape.height &&
           world.rowbytes() == shape.rowbytes.value_or(tight);
}

} // namespace

World WorldPool::take(const WorldShape& shape) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found =
            std::find_if(kept_.begin(), kept_.end(), [&](const World& world) { return SameShape(world, shape); });
        if (found != kept_.end()) {
            World world = std::move(*found);
            kept_.erase(found);
            return world;
        }
        // Frames of another size from now on: what is kept would only take up memory.
        kept_.clear();
    }
    return World(shape);
}

void WorldPool::give(World world) {
    if (!world.guardsIntact()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    kept_.push_back(std::move(world));
}

} // namespace hostsim
