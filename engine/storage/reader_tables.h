// Preallocated tables of the compound-file reader, kept in the work area so that no
// allocation happens for them per document. Only a directory of 16 to 96 sectors and a
// stream chain list of more than 3,008 entries are taken from the heap.
#pragma once

#include <cstdint>

#include "engine/common/capacities.h"

namespace qv {

// One 128-byte compound-file directory entry, kept as the raw bytes of the file so that
// the directory can be written back unchanged apart from its edited links. Read it with
// the accessors of compound_file.h.
struct DirEntry {
  uint8_t raw[cap::kDirEntryBytes];
};
static_assert(sizeof(DirEntry) == cap::kDirEntryBytes);

struct ReaderTables {
  uint8_t header[cap::kSectorBytes];                                // header copy
  uint32_t difat[cap::kDifatEntries];                               // FAT sector ids
  uint32_t fatCache[cap::kFatCacheSectors * cap::kFatEntriesPerSector];  // links of sectors 0..8,191
  uint32_t miniFat[cap::kMiniFatEntries];                           // links of mini sectors 0..1,023
  // One region, used in turn: while opening (and by UnlinkEntry) as the transient sector
  // list of 3,072 entries; between those as the fixed stream chain list (3,008 entries)
  // followed by the 256-byte small-value scratch.
  uint32_t sharedList[cap::kTransientListEntries];
  DirEntry fixedDirectory[cap::kFixedDirectorySectors * cap::kDirEntriesPerSector];
  uint32_t rootChain[cap::kRootChainEntries];                       // the mini stream's chain

  uint32_t* TransientList() { return sharedList; }
  uint32_t* FixedChainList() { return sharedList; }
  uint8_t* SmallValueScratch() { return reinterpret_cast<uint8_t*>(sharedList + cap::kFixedChainEntries); }
};
static_assert(cap::kFixedChainEntries * 4 + cap::kSmallValueScratchBytes == cap::kTransientListEntries * 4,
              "the chain list and the small-value scratch fill the transient list region exactly");

}  // namespace qv
