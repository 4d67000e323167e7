#include "hostsim/Handles.h"

#include <cstring>
#include <new>

namespace hostsim {
namespace {

uint8_t HandleCanary(size_t i) { return static_cast<uint8_t>(0x5A ^ (i * 0x1F)); }

} // namespace

PF_Handle HandleStore::create(uint64_t size, const void* creator) {
    if (size > UINT64_MAX - kGuardBytes) return nullptr;
    auto block = std::make_unique<Block>();
    block->bytes.reset(new (std::nothrow) uint8_t[size + kGuardBytes]);
    if (!block->bytes) return nullptr;
    std::memset(block->bytes.get(), 0, size);
    for (size_t i = 0; i < kGuardBytes; ++i) block->bytes[size + i] = HandleCanary(i);
    block->address = block->bytes.get();
    block->size = size;
    block->creator = creator;
    const auto handle = reinterpret_cast<PF_Handle>(&block->address);
    std::lock_guard<std::mutex> lock(mutex_);
    blocks_.emplace(handle, std::move(block));
    return handle;
}

HandleStore::Block* HandleStore::find(PF_Handle handle) const {
    const auto it = blocks_.find(handle);
    return it == blocks_.end() ? nullptr : it->second.get();
}

std::optional<void*> HandleStore::lock(PF_Handle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    Block* block = find(handle);
    if (!block) return std::nullopt;
    ++block->locks;
    return block->address;
}

bool HandleStore::unlock(PF_Handle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    Block* block = find(handle);
    if (!block || block->locks == 0) return false;
    --block->locks;
    return true;
}

std::optional<uint64_t> HandleStore::size(PF_Handle handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const Block* block = find(handle);
    if (!block) return std::nullopt;
    return block->size;
}

std::optional<HandleStore::Disposal> HandleStore::dispose(PF_Handle handle) {
    std::unique_ptr<Block> block;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = blocks_.find(handle);
        if (it == blocks_.end()) return std::nullopt;
        block = std::move(it->second);
        blocks_.erase(it);
    }
    Disposal disposal{block->creator, block->locks, {}};
    for (size_t i = 0; i < kGuardBytes; ++i) {
        if (block->bytes[block->size + i] != HandleCanary(i)) {
            disposal.guardDamage = "handle of " + std::to_string(block->size) +
                                   " bytes: written past its end at byte " + std::to_string(block->size + i);
            break;
        }
    }
    return disposal;
}

int64_t HandleStore::live() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int64_t>(blocks_.size());
}

int64_t HandleStore::locked() const {
    std::lock_guard<std::mutex> lock(mutex_);
    int64_t locks = 0;
    for (const auto& entry : blocks_) locks += entry.second->locks;
    return locks;
}

} // namespace hostsim
