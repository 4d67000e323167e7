// The module's own copy of the PiPL bytes, kept (though nothing references it)
// in the section that a host-side reader looks for.
#include "resources/PiPL.h"
#include "resources/PiPLSection.h"

namespace {

__attribute__((section(IRX_PIPL_SECTION), used)) const pipl::Bytes piplSection = pipl::kBytes;

} // namespace
