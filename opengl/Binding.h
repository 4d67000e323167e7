// glbinding's per-context function state, lent out from a fixed pool.
//
// glbinding keys that state by a context handle, which on Linux it reads from
// GLX (every EGL context would read as 0), and registering a new handle
// reallocates the state of every function while other threads may be calling
// through it. So a fixed set of handles is registered once, while nothing
// renders, and each context the layer creates borrows one for its life.
// Handles are never released from glbinding: releasing one corrupts its table.
#pragma once

namespace irxgl {

// How many contexts can be alive at once: the root and the render threads'.
constexpr int kBindingHandleCount = 64;

// Registers the pool with glbinding. Call at global setup, when no thread
// renders; later calls do nothing.
void RegisterBindingHandles();

// A free handle (1 to kBindingHandleCount) for a new context. Throws
// Fault{ResourcesLoadFailed} when all are lent or the pool was never registered.
int LendBindingHandle();

// Gives a lent handle back and clears it; 0 is ignored. Makes no OpenGL call.
void ReturnBindingHandle(int& handle) noexcept;

// Points glbinding on this thread at a lent handle's function state.
void UseBindingHandle(int handle);

// Handles lent now: one per live context of this layer.
int LentBindingHandleCount() noexcept;

} // namespace irxgl
