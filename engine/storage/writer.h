// In-place writes to a compound file. Nothing is ever allocated, moved, grown or shortened:
// streams are overwritten inside their size and sectors, entries are taken out of their
// sibling tree and the directory is written back. The header, FAT, DIFAT, mini FAT and
// every entry's type, name, start sector and size are never written. Writes go to the
// file (an image held for memory mode is kept in step).
#pragma once

#include <cstdint>

#include "engine/storage/doc_file.h"

namespace qv {

// Writes 512 bytes at sector `id`, with the refusals of ReadSector (never extends the
// file). 512 on success; anything else is failure.
uint32_t WriteSector(DocFile& doc, uint32_t id, const uint8_t* buffer512);

// Read-modify-write of `count` bytes at `offset` in sector `id`. `count` on success, else 0.
uint32_t PatchSector(DocFile& doc, const uint8_t* source, uint32_t id, uint32_t offset, uint32_t count);

// Writes up to `length` bytes of the current stream at its position, cut at the stream's
// size, in ascending order. The count written; 0 for no buffer, a negative length or a
// failed piece (pieces before it stay written).
int32_t WriteStream(DocFile& doc, const void* buffer, int32_t length);
int32_t WriteU8(DocFile& doc, uint8_t value);
int32_t WriteU16(DocFile& doc, uint16_t value);
// Seeks to `offset` from the start and writes the value low byte first. 0 (nothing
// written) for an offset the seek refuses.
int32_t WriteU16At(DocFile& doc, int32_t offset, uint16_t value);

// Overwrites bytes 0 .. count-1 of the current stream with zeros in 256-byte pieces. True
// when every byte was written. Bytes past the stream's size are not touched.
bool ZeroStream(DocFile& doc, int32_t count);

// Opens entry `id` as a stream and zero-fills it over its size, then closes it. kWipeDone
// when every byte was written, kWipeIncomplete when it was opened but a write failed, 0
// when it could not be opened (storages cannot).
inline constexpr int kWipeDone = 1;
inline constexpr int kWipeIncomplete = -1;
int WipeEntryStream(DocFile& doc, uint32_t id);

// Zero-fills every stream of the sibling tree from `id` and of all storages below it,
// deepest children first, each entry before its siblings. The number of distinct entries
// visited (streams and storages alike); every entry is visited at most once, so cyclic
// links end. 0 for NOSTREAM, 0, no directory or an invalid id. `allWritten`, when given, is
// set to false when a stream was opened but not every byte of it could be zeroed.
uint32_t WipeSubtree(DocFile& doc, uint32_t id, bool* allWritten = nullptr);

// Takes entry `id` out of the sibling tree that holds it (the left subtree takes its place,
// the right subtree hangs off the left subtree's rightmost node) and writes the whole
// directory back. The entry itself is unchanged and still found by FindEntry's whole-
// directory fallback. 1 when every directory sector was written, else 0. The current
// stream must be reopened before transferring again.
int UnlinkEntry(DocFile& doc, uint32_t id);

}  // namespace qv
