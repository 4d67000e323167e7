#include "MemorySettings.h"

#include <malloc.h>

namespace irisplit {

void KeepLargeBlocks()
{
}

} // namespace irisplit
