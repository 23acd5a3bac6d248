// Fixed capacities of the engine, in one place. Each area keeps its own block below.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv::cap {

// ---- engine frame ------------------------------------------------------------------------
inline constexpr size_t kHeadBytes = 4096;              // first bytes of a document kept in the work area
inline constexpr size_t kRegisterEntries = 65536;       // allocation register
inline constexpr size_t kResultNameBytes = 128;         // resultName, 127 bytes + terminator
inline constexpr size_t kCallerTextUnits = 260;         // the caller's text buffer of SCanFileVirus
inline constexpr size_t kPathUnits = 1024;              // the description's path buffers (we use longer strings)
inline constexpr uint8_t kQuarantineKey = 0x9D;         // .vir bytes = document bytes XOR key
inline constexpr int kMaxQuarantineVariants = 1000;     // "Name(2).doc.vir" ... before giving up
inline constexpr int kConsoleMargin = 40;               // console trace width = max width - margin

// ---- compound file storage (reader, streams, writer) -----------------------------------

// ---- signature library, matcher, search ------------------------------------------------

// ---- office documents --------------------------------------------------------------------

// ---- zip documents -----------------------------------------------------------------------

}  // namespace qv::cap
