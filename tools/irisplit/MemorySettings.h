// How irisplit's process gets its memory.
#pragma once

#include <cstdint>

namespace irisplit {

// Bytes of memory the system can give without swapping: MemAvailable, or
// the physical memory where that is not known; no more than the address
// space limit (ulimit -v) leaves.
uint64_t AvailableMemory();

// A sequence allocates blocks of many megabytes for every frame (the
// effect's float render targets among them) and frees them again. glibc
// hands such blocks back to the kernel, which then faults them in afresh
// for the next frame, 4 KiB at a time; on a virtual machine that costs as
// much as rendering. This has glibc keep freed blocks in the process for the
// next frame instead: one heap for all threads (a per-thread heap is
// unmapped as soon as it is empty), no block of its own mapping, no
// trimming. It does nothing when GLIBC_TUNABLES names any glibc.malloc
// tunable (the user's choice stands). Call it before any other thread starts.
void KeepLargeBlocks();

} // namespace irisplit
