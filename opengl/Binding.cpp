#include "Binding.h"

#include "Layer.h"

#include <glbinding/Binding.h>

#include <atomic>
#include <mutex>

namespace irxgl {
namespace {

// Far from any pointer or small handle value another glbinding user in the
// process might register for a real context.
constexpr glbinding::ContextHandle kFirstContextHandle = 0x4952580000000000LL;

// Trivially destructible on purpose: holders still alive at module unload give
// their handles back after every other static of the module may be gone.
std::atomic<bool> handleLent[kBindingHandleCount];
std::atomic<bool> handlesRegistered{false};
std::once_flag registration;

glbinding::ContextHandle ContextHandleOf(int handle)
{
    return kFirstContextHandle + handle;
}

} // namespace

void RegisterBindingHandles()
{
    std::call_once(registration, [] {
        for (int handle = 1; handle <= kBindingHandleCount; ++handle) {
            // Neither made current nor resolved here: functions resolve lazily
            // on first use by the context that borrows the handle.
            glbinding::Binding::initialize(ContextHandleOf(handle), false, false);
        }
        handlesRegistered.store(true, std::memory_order_release);
    });
}

int LendBindingHandle()
{
    if (handlesRegistered.load(std::memory_order_acquire)) {
        for (int index = 0; index < kBindingHandleCount; ++index) {
            if (!handleLent[index].exchange(true, std::memory_order_acq_rel)) {
                return index + 1;
            }
        }
    }
    throw Fault{ResourcesLoadFailed};
}

void ReturnBindingHandle(int& handle) noexcept
{
    if (handle > 0 && handle <= kBindingHandleCount) {
        handleLent[handle - 1].store(false, std::memory_order_release);
    }
    handle = 0;
}

void UseBindingHandle(int handle)
{
    glbinding::Binding::useContext(ContextHandleOf(handle));
}

int LentBindingHandleCount() noexcept
{
    int lent = 0;
    for (const auto& slot : handleLent) {
        lent += slot.load(std::memory_order_acquire) ? 1 : 0;
    }
    return lent;
}

} // namespace irxgl
