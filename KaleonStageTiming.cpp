#include "KaleonStageTiming.h"

namespace StageTiming {

// Constant-initialised, so a clock installed by another file's static
// initialiser is never overwritten by this one.
const Clock* installedClock = nullptr;

} // namespace StageTiming
