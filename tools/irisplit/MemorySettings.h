// How irisplit's process gets its memory.
#pragma once

#include <cstdint>

namespace irisplit {

// Bytes of memory the system can give without swapping: MemAvailable, or
// the physical memory where that is not known.
uint64_t AvailableMemory();

// A sequence allocates blocks of many megabytes for every frame (the
// effect's float render targets among them) and frees them again. glibc
// hands such blocks back to the kernel, which then faults them in afresh
// for the next frame, 4 KiB at a time; on a virtual machine that costs as
// much as rendering. These glibc tunables keep freed blocks in the process
// for the next frame instead: one heap for all threads (a per-thread heap is
// unmapped as soon as it is empty), no block of its own mapping, no trimming,
// and transparent huge pages for what the heap grows by.
//
// glibc reads its tunables only when a process starts, so this starts
// irisplit again with the same arguments and the tunables added to
// GLIBC_TUNABLES. It returns at once when GLIBC_TUNABLES already names any
// glibc.malloc tunable (the user's choice stands), and when the restart
// fails. Call it before any other thread starts.
void RestartKeepingLargeBlocks(char** argv);

} // namespace irisplit
