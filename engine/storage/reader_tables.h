// Preallocated tables of the compound-file reader, kept in the work area so that no
// allocation happens for them per document.
#pragma once

#include <cstdint>

namespace qv {

struct ReaderTables {};

}  // namespace qv
