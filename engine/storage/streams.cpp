// The current stream: open, close, position, and the read walk (shared with the writes).
#include "engine/storage/streams.h"

#include <algorithm>
#include <cstring>

#include "engine/common/byte_reader.h"
#include "engine/common/work_area.h"
#include "engine/storage/compound_file.h"
#include "engine/storage/storage_internal.h"
#include "engine/storage/writer.h"

namespace qv {
namespace storage_internal {
namespace {

// A regular-stream walk over `cursor` from its position: whole sectors go straight between
// the caller's buffer and the file when more than 512 bytes remain at a sector boundary,
// partial ones through the sector scratch (reads) or PatchSector (writes).
int32_t TransferRegular(DocFile& doc, StreamCursor& cursor, uint8_t* buffer, int32_t length, Direction direction) {
  const int64_t start = cursor.position;
  if (start < 0 || start >= cursor.size) return 0;
  const uint32_t total = static_cast<uint32_t>(std::min<int64_t>(length, cursor.size - start));
  // The chain list may be longer than the chain: slots past the chain are never used, so
  // a stream whose size outruns its chain cannot reach (or overwrite) unrelated sectors.
  const uint32_t reachable = std::min(cursor.chainCapacity, cursor.chainLength);
  uint32_t done = 0;
  while (done < total) {
    const uint32_t p = static_cast<uint32_t>(cursor.position);
    const uint32_t k = p / cap::kSectorBytes;
    const uint32_t o = p % cap::kSectorBytes;
    if (cursor.chainList == nullptr || k >= reachable) return 0;
    const uint32_t sector = cursor.chainList[k];
    const uint32_t remaining = total - done;
    uint32_t n = 0;
    if (remaining > cap::kSectorBytes && o == 0) {
      n = cap::kSectorBytes;
      const uint32_t moved = direction == Direction::Read ? ReadSector(doc, sector, buffer + done)
                                                          : WriteSector(doc, sector, buffer + done);
      if (moved != cap::kSectorBytes) return 0;
    } else {
      n = std::min(remaining, cap::kSectorBytes - o);
      if (direction == Direction::Read) {
        if (ReadSector(doc, sector, doc.sectorScratch) != cap::kSectorBytes) return 0;
        std::memcpy(buffer + done, doc.sectorScratch + o, n);
      } else if (PatchSector(doc, buffer + done, sector, o, n) != n) {
        return 0;
      }
    }
    cursor.position = static_cast<int32_t>(p + n);
    done += n;
  }
  return static_cast<int32_t>(done);
}

// A small-stream walk: each piece of at most 64 bytes lies in one mini sector and is moved
// by a regular walk over the root cursor, which keeps the small stream's logical position.
int32_t TransferSmall(DocFile& doc, uint8_t* buffer, int32_t length, Direction direction) {
  const StreamCursor& stream = doc.current;
  StreamCursor& root = doc.rootCursor;
  int64_t p = root.position;
  if (p < 0 || p >= stream.size) return 0;
  const uint32_t total = static_cast<uint32_t>(std::min<int64_t>(length, stream.size - p));
  const uint32_t reachable = std::min({cap::kMiniFatEntries, stream.chainCapacity, stream.chainLength});
  uint32_t done = 0;
  bool failed = false;
  while (done < total) {
    const uint32_t m = static_cast<uint32_t>(p / cap::kMiniSectorBytes);
    const uint32_t o = static_cast<uint32_t>(p % cap::kMiniSectorBytes);
    if (stream.chainList == nullptr || m >= reachable) {
      failed = true;
      break;
    }
    const uint64_t q = static_cast<uint64_t>(stream.chainList[m]) * cap::kMiniSectorBytes + o;
    const uint32_t n = std::min(total - done, cap::kMiniSectorBytes - o);
    if (q > INT32_MAX) {
      failed = true;
      break;
    }
    root.position = static_cast<int32_t>(q);
    if (TransferRegular(doc, root, buffer + done, static_cast<int32_t>(n), direction) != static_cast<int32_t>(n)) {
      failed = true;
      break;
    }
    p += n;
    done += n;
  }
  root.position = static_cast<int32_t>(p);
  return failed ? 0 : static_cast<int32_t>(done);
}

}  // namespace

int32_t TransferStream(DocFile& doc, uint8_t* buffer, int32_t length, Direction direction) {
  if (buffer == nullptr || length <= 0) return 0;
  return doc.current.mini != 0 ? TransferSmall(doc, buffer, length, direction)
                               : TransferRegular(doc, doc.current, buffer, length, direction);
}

}  // namespace storage_internal

namespace {

void ReleaseHeapChainList(DocFile& doc) {
  StreamCursor& cursor = doc.current;
  if (!cursor.heapChainList) return;
  doc.workArea->allocations.FreeBlock(cursor.chainList);
  cursor.chainList = nullptr;
  cursor.chainCapacity = 0;
  cursor.chainLength = 0;
  cursor.heapChainList = false;
}

int32_t& PositionField(DocFile& doc) { return doc.current.mini != 0 ? doc.rootCursor.position : doc.current.position; }

}  // namespace

int OpenStream(DocFile& doc, uint32_t id) {
  const DirEntry* entry = EntryAt(doc, id);
  if (entry == nullptr) return kStreamBadId;
  const uint8_t type = EntryObjectType(*entry);
  if (id != 0 && type != cfb::kTypeStream && type != cfb::kTypeRoot) return kStreamNotStream;

  ReleaseHeapChainList(doc);
  StreamCursor& cursor = doc.current;
  cursor = StreamCursor{};
  cursor.entry = &doc.directory[id];
  cursor.entryId = id;
  cursor.size = EntryStreamSize(*entry);
  const bool small = id != 0 && cursor.size < storage_internal::HeaderU32(doc, cfb::kHeaderMiniCutoff);
  cursor.mini = small ? 1 : 0;
  cursor.sectorSize = small ? cap::kMiniSectorBytes : cap::kSectorBytes;
  const ChainTable table = small ? ChainTable::MiniFat : ChainTable::Fat;
  if (small) doc.rootCursor.position = 0;

  const uint32_t start = EntryStartSector(*entry);
  if (cursor.size == 0 || start == cfb::kFreeSect || start == cfb::kEndOfChain) return kStreamEmpty;
  if (ChainLength(doc, start, table) == 0) return kStreamEmpty;

  const uint32_t wanted = cursor.size / cap::kSectorBytes + 1;
  if (wanted <= cap::kFixedChainEntries || cursor.size >= cap::kLargeStreamBytes) {
    cursor.chainList = doc.workArea->readerTables.FixedChainList();
    cursor.chainCapacity = cap::kFixedChainEntries;
    std::fill_n(cursor.chainList, cap::kFixedChainEntries, 0u);
  } else {
    void* block = doc.workArea->allocations.AllocateRegistered(static_cast<size_t>(wanted) * sizeof(uint32_t));
    if (block == nullptr) return kStreamEmpty;
    cursor.chainList = static_cast<uint32_t*>(block);
    cursor.chainCapacity = wanted;
    cursor.heapChainList = true;
  }
  bool looped = false;
  cursor.chainLength = CollectChain(doc, start, cursor.chainList, table, cursor.chainCapacity, &looped);
  // A chain that links back into itself is damaged: the stream ends where the loop begins,
  // instead of reading the same sectors again as if they were more data.
  if (looped) {
    const uint64_t reach = static_cast<uint64_t>(cursor.chainLength) * cursor.sectorSize;
    if (reach < cursor.size) cursor.size = static_cast<uint32_t>(reach);
  }
  return kStreamOpened;
}

int CloseStream(DocFile& doc) {
  doc.current.position = 0;
  if (!doc.current.heapChainList) return 0;
  ReleaseHeapChainList(doc);
  return 1;
}

int SeekStream(DocFile& doc, int32_t offset, int origin) {
  int32_t& position = PositionField(doc);
  int64_t target = 0;
  if (origin == 0) {
    target = offset;
  } else if (origin == 1) {
    target = static_cast<int64_t>(position) + offset;
  } else {
    return 0;
  }
  if (target < 0 || target >= doc.current.size || target > INT32_MAX) return 0;
  position = static_cast<int32_t>(target);
  return 1;
}

int32_t TellStream(const DocFile& doc) {
  return doc.current.mini != 0 ? doc.rootCursor.position : doc.current.position;
}

int SkipStream(DocFile& doc, int32_t delta) {
  if (delta > 0) return SeekStream(doc, delta, 1);
  const int64_t target = static_cast<int64_t>(TellStream(doc)) + delta;
  if (target < 0) return 0;
  return SeekStream(doc, static_cast<int32_t>(target), 0);
}

int32_t ReadStream(DocFile& doc, void* buffer, int32_t length) {
  return storage_internal::TransferStream(doc, static_cast<uint8_t*>(buffer), length,
                                          storage_internal::Direction::Read);
}

namespace {

// Reads `width` bytes at the current position; 0 unless all of them could be read.
template <typename T>
T ReadValue(DocFile& doc, int32_t width, T (*load)(const uint8_t*)) {
  uint8_t* scratch = storage_internal::SmallValueScratch(doc);
  std::memset(scratch, 0, static_cast<size_t>(width));
  if (ReadStream(doc, scratch, width) != width) return 0;
  return load(scratch);
}

uint8_t LoadU8(const uint8_t* p) { return p[0]; }

}  // namespace

uint8_t ReadU8(DocFile& doc) { return ReadValue<uint8_t>(doc, 1, LoadU8); }
uint16_t ReadU16(DocFile& doc) { return ReadValue<uint16_t>(doc, 2, LoadU16); }
uint32_t ReadU32(DocFile& doc) { return ReadValue<uint32_t>(doc, 4, LoadU32); }

uint8_t ReadU8At(DocFile& doc, int32_t offset) { return SeekStream(doc, offset, 0) == 1 ? ReadU8(doc) : 0; }
uint16_t ReadU16At(DocFile& doc, int32_t offset) { return SeekStream(doc, offset, 0) == 1 ? ReadU16(doc) : 0; }
uint32_t ReadU32At(DocFile& doc, int32_t offset) { return SeekStream(doc, offset, 0) == 1 ? ReadU32(doc) : 0; }

bool StreamFields::Read(int32_t offset, uint8_t* out, int32_t width) {
  std::memset(out, 0, static_cast<size_t>(width));
  if (failed_) return false;
  if (SeekStream(doc_, offset, 0) != 1 || ReadStream(doc_, out, width) != width) {
    std::memset(out, 0, static_cast<size_t>(width));
    failed_ = true;
  }
  return !failed_;
}

uint8_t StreamFields::U8At(int32_t offset) {
  uint8_t b[1];
  Read(offset, b, 1);
  return b[0];
}
uint16_t StreamFields::U16At(int32_t offset) {
  uint8_t b[2];
  Read(offset, b, 2);
  return LoadU16(b);
}
uint32_t StreamFields::U32At(int32_t offset) {
  uint8_t b[4];
  Read(offset, b, 4);
  return LoadU32(b);
}

}  // namespace qv
