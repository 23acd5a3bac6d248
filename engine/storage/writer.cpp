// Sector and stream writes in place. A write never extends the file or grows a stream.
#include "engine/storage/writer.h"

#include <algorithm>
#include <cstring>

#include "engine/common/work_area.h"
#include "engine/storage/compound_file.h"
#include "engine/storage/storage_internal.h"
#include "engine/storage/streams.h"

namespace qv {

uint32_t WriteSector(DocFile& doc, uint32_t id, const uint8_t* buffer512) {
  uint32_t offset = 0;
  if (buffer512 == nullptr || !storage_internal::SectorFileOffset(doc, id, offset)) return 0;
  const uint32_t written = WriteAt(*doc.workArea, offset, buffer512, cap::kSectorBytes);
  // A held image stays a true copy of the file, so a read that still comes from it (memory
  // mode left on by a caller) never undoes a write.
  if (written == cap::kSectorBytes && doc.memoryImage != nullptr &&
      static_cast<uint64_t>(offset) + cap::kSectorBytes <= doc.memoryImageSize) {
    std::memcpy(doc.memoryImage + offset, buffer512, cap::kSectorBytes);
  }
  return written;
}

uint32_t PatchSector(DocFile& doc, const uint8_t* source, uint32_t id, uint32_t offset, uint32_t count) {
  if (source == nullptr || offset > cap::kSectorBytes || count > cap::kSectorBytes - offset) return 0;
  if (ReadSector(doc, id, doc.sectorScratch) != cap::kSectorBytes) return 0;
  std::memmove(doc.sectorScratch + offset, source, count);
  return WriteSector(doc, id, doc.sectorScratch) == cap::kSectorBytes ? count : 0;
}

int32_t WriteStream(DocFile& doc, const void* buffer, int32_t length) {
  // The walk only reads from the buffer in the write direction.
  return storage_internal::TransferStream(doc, static_cast<uint8_t*>(const_cast<void*>(buffer)), length,
                                          storage_internal::Direction::Write);
}

int32_t WriteU8(DocFile& doc, uint8_t value) { return WriteStream(doc, &value, 1); }

int32_t WriteU16(DocFile& doc, uint16_t value) {
  const uint8_t bytes[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
  return WriteStream(doc, bytes, 2);
}

int32_t WriteU16At(DocFile& doc, int32_t offset, uint16_t value) {
  if (offset < 0 || SeekStream(doc, offset, 0) != 1) return 0;
  return WriteU16(doc, value);
}

bool ZeroStream(DocFile& doc, int32_t count) {
  if (count < 0) return false;
  uint8_t* zeros = storage_internal::SmallValueScratch(doc);
  std::memset(zeros, 0, cap::kSmallValueScratchBytes);
  const auto piece = static_cast<int32_t>(cap::kSmallValueScratchBytes);
  int32_t position = 0;
  int32_t remaining = count;
  while (remaining > piece) {
    if (SeekStream(doc, position, 0) != 1) return false;
    if (WriteStream(doc, zeros, piece) < piece) return false;
    position += piece;
    remaining -= piece;
  }
  if (remaining == 0) return true;
  if (SeekStream(doc, position, 0) != 1) return false;
  return WriteStream(doc, zeros, remaining) == remaining;
}

}  // namespace qv
