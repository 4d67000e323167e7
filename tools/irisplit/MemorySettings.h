// How irisplit's process keeps its memory.
#pragma once

namespace irisplit {

// Keeps freed large blocks in the process for the next frame instead of
// handing them back to the system; call first thing in main().
void KeepLargeBlocks();

} // namespace irisplit
