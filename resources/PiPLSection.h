// Where the Linux module keeps its PiPL bytes: an ELF section of this name,
// which a host-side reader finds in the module file.
#pragma once

#define IRX_PIPL_SECTION ".irx_pipl"

inline constexpr char kPiPLSectionName[] = IRX_PIPL_SECTION;
