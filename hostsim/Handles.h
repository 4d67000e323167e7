// The host's relocatable memory blocks: real allocations, each with canary
// bytes after its end, tracked so that leaks, double disposals and unbalanced
// locks show up.
#pragma once

#include "host/HostTypes.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace hostsim {

class HandleStore {
public:
    static constexpr size_t kGuardBytes = 64;

    struct Disposal {
        const void* creator = nullptr; // what create() was told
        int32_t locksLeft = 0;         // locks never undone
        std::string guardDamage;       // "" when the canaries after the block are intact
    };

    HandleStore() = default;
    HandleStore(const HandleStore&) = delete;
    HandleStore& operator=(const HandleStore&) = delete;

    // A zeroed block of `size` bytes; null when it cannot be allocated.
    PF_Handle create(uint64_t size, const void* creator);
    // The block's address, counting one lock; none for an unknown handle.
    std::optional<void*> lock(PF_Handle handle);
    // Whether the handle was known and locked; a known one loses one lock.
    bool unlock(PF_Handle handle);
    std::optional<uint64_t> size(PF_Handle handle) const;
    std::optional<Disposal> dispose(PF_Handle handle);

    int64_t live() const;
    int64_t locked() const;

private:
    struct Block {
        void* address = nullptr; // first member: a PF_Handle points here
        uint64_t size = 0;
        int32_t locks = 0;
        const void* creator = nullptr;
        std::unique_ptr<uint8_t[]> bytes;
    };

    Block* find(PF_Handle handle) const; // caller holds mutex_

    mutable std::mutex mutex_;
    std::unordered_map<const void*, std::unique_ptr<Block>> blocks_;
};

} // namespace hostsim
