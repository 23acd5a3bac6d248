// Helpers shared by the files of the compound-file layer; not for use outside it.
#pragma once

#include <cstdint>

#include "engine/storage/doc_file.h"

namespace qv::storage_internal {

// The file offset of sector `id`, (id + 1) x 512, when the whole sector lies inside the
// file (and inside the memory image while memory mode is on) and below 2 GiB.
bool SectorFileOffset(const DocFile& doc, uint32_t id, uint32_t& offset);

// A u32 field of the header copy.
uint32_t HeaderU32(const DocFile& doc, uint32_t offset);

// Zero-fills the whole transient list region (the fixed stream chain list and the
// small-value scratch included) and lists the FAT chain from `first` into it.
uint32_t CollectIntoTransientList(DocFile& doc, uint32_t first);

uint8_t* SmallValueScratch(DocFile& doc);

// The stream walk shared by reads and writes: moves up to `length` bytes between `buffer`
// and the current stream at its position, cut at the stream's size.
enum class Direction { Read, Write };
int32_t TransferStream(DocFile& doc, uint8_t* buffer, int32_t length, Direction direction);

}  // namespace qv::storage_internal
