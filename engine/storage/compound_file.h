// The container side of a compound file: sectors, FAT and mini FAT chains, the directory
// and the look-up of entries by name. All operations take the DocFile opened with
// OpenCompoundFile (doc_file.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/storage/cfb_layout.h"
#include "engine/storage/doc_file.h"

namespace qv {

// ---- sectors ----
// Reads sector `id` (offset (id + 1) x 512; -1 is the header block) from the image in memory
// mode, else from the file. 512 on success; anything else is failure. A sector that does
// not lie wholly inside the file (or lies past 2 GiB) is refused.
uint32_t ReadSector(DocFile& doc, uint32_t id, uint8_t* buffer512);

// Which link table a chain is followed through.
enum class ChainTable { Fat, MiniFat };

// The link after sector `sector` through the FAT (cache for sectors below 8,192, on-demand
// FAT sector reads above). False when the FAT sector cannot be named or read.
bool NextFatSector(DocFile& doc, uint32_t sector, uint32_t& next);
// The link after mini sector `sector`; false beyond 1,024 or without a mini FAT.
bool NextMiniSector(DocFile& doc, uint32_t sector, uint32_t& next);

// Number of sectors in the chain from `first`, without listing them. A link to sector 0 or
// to a negative value ends the chain; so does a link back to a sector already in the chain
// (a damaged chain: `looped` is then set when given). The count stops past 100,000 as the
// outer bound. 0 for FREESECT / ENDOFCHAIN or an absent table; 0 for a mini chain that
// leaves the 1,024 reachable mini sectors.
uint32_t ChainLength(DocFile& doc, uint32_t first, ChainTable table, bool* looped = nullptr);

// Lists the chain from `first` into `list` (or only counts when `list` is null), at most
// `maximum` ids. Ends at a special value, a link to 0 or a link back to a sector already
// listed (`looped` is then set when given). 0 when a look-up fails.
uint32_t CollectChain(DocFile& doc, uint32_t first, uint32_t* list, ChainTable table, uint32_t maximum,
                      bool* looped = nullptr);

// ---- directory ----
// The entry `id`, or null when there is no directory or id is not below DirCount.
const DirEntry* EntryAt(const DocFile& doc, uint32_t id);

// Field accessors of one entry.
uint8_t EntryObjectType(const DirEntry& entry);
uint32_t EntryLeftSibling(const DirEntry& entry);
uint32_t EntryRightSibling(const DirEntry& entry);
uint32_t EntryChild(const DirEntry& entry);
uint32_t EntryStartSector(const DirEntry& entry);
uint32_t EntryStreamSize(const DirEntry& entry);
// The name up to its terminating NUL (at most 32 units).
std::u16string EntryName(const DirEntry& entry);
// Compares the entry's name with `name` (which ends at its size or at a NUL), ASCII
// letters folded, all other units exact.
bool EntryNameMatches(const DirEntry& entry, std::u16string_view name);

// Finds `name` among the children of storage `storageId` (sibling-tree walk), else anywhere
// in the directory (first match in id order, whatever the parent or type). The entry id,
// or -1. A storage whose Child ID is 0 answers 0.
int32_t FindEntry(DocFile& doc, uint32_t storageId, std::u16string_view name);

// Pre-order walk of one sibling tree from `id` (not into child storages), bounded by the
// visit budget. The caller zeroes doc.visitCounter first. The entry id, or -1.
int32_t SearchSiblings(DocFile& doc, uint32_t id, std::u16string_view name);

}  // namespace qv
