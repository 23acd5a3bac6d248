// OpenCompoundFile: header checks, DIFAT, FAT cache, mini FAT, directory, visit budget and
// root cursor, each bounded by the fixed capacities of the reader tables.
#include <algorithm>
#include <cstring>

#include "engine/common/byte_reader.h"
#include "engine/common/work_area.h"
#include "engine/storage/compound_file.h"
#include "engine/storage/storage_internal.h"
#include "engine/storage/streams.h"

namespace qv {
namespace {

using storage_internal::CollectIntoTransientList;
using storage_internal::HeaderU32;

constexpr uint32_t kDifatSectorEntries = cap::kFatEntriesPerSector - 1;  // the last names the next

bool ReadHeader(DocFile& doc) {
  WorkArea& area = *doc.workArea;
  if (area.fileSize < cap::kSectorBytes) return false;
  if (doc.memoryMode != 0 && doc.memoryImage != nullptr) {
    if (doc.memoryImageSize < cap::kSectorBytes) return false;
    std::memcpy(doc.header, doc.memoryImage, cap::kSectorBytes);
    return true;
  }
  return ReadAt(area, 0, doc.header, cap::kSectorBytes) == cap::kSectorBytes;
}

bool HeaderAccepted(const DocFile& doc) {
  const ByteReader header(doc.header, cap::kSectorBytes);  // the 512-byte header copy
  return std::memcmp(doc.header, cfb::kSignature, sizeof cfb::kSignature) == 0 &&
         header.U16(cfb::kHeaderSectorShift) == cfb::kRequiredSectorShift &&
         header.U16(cfb::kHeaderMiniSectorShift) == cfb::kRequiredMiniSectorShift;
}

// Header ids first, then 127 ids per DIFAT sector from index 109 on. A DIFAT sector that
// cannot be read wholly ends the walk and contributes nothing.
void LoadDifat(DocFile& doc, uint32_t fatSectors) {
  std::fill_n(doc.difat, cap::kDifatEntries, 0u);
  const uint32_t fromHeader = std::min(fatSectors, cap::kHeaderDifatEntries);
  ByteCursor header(ByteReader(doc.header, cap::kSectorBytes), cfb::kHeaderDifat);
  for (uint32_t i = 0; i < fromHeader; ++i) doc.difat[i] = header.U32();

  const uint32_t difatSectors = HeaderU32(doc, cfb::kHeaderDifatSectors);
  uint32_t sector = HeaderU32(doc, cfb::kHeaderFirstDifat);
  if (difatSectors == 0 || sector == cfb::kFreeSect || sector == cfb::kEndOfChain) return;
  uint32_t filled = cap::kHeaderDifatEntries;
  uint32_t sectorsRead = 0;
  // Every pass appends up to 127 entries, so the table's capacity bounds the walk.
  while (filled < cap::kDifatEntries) {
    uint8_t block[cap::kSectorBytes];
    if (ReadSector(doc, sector, block) != cap::kSectorBytes) return;
    ++sectorsRead;
    const uint32_t take = std::min(kDifatSectorEntries, cap::kDifatEntries - filled);
    ByteCursor ids(ByteReader(block, sizeof block));
    for (uint32_t i = 0; i < take; ++i) doc.difat[filled + i] = ids.U32();
    filled += take;
    if (filled >= cap::kDifatEntries) return;
    const uint32_t next = ids.U32At(4ull * take);
    if (ids.failed()) return;
    if (next == cfb::kEndOfChain) return;
    if (sectorsRead >= difatSectors && filled < fatSectors) return;
    sector = next;
  }
}

bool LoadFatCache(DocFile& doc, uint32_t fatSectors) {
  std::fill_n(doc.fatCache, cap::kFatCacheSectors * cap::kFatEntriesPerSector, 0u);
  const uint32_t cached = std::min(fatSectors, cap::kFatCacheSectors);
  for (uint32_t i = 0; i < cached; ++i) {
    uint8_t block[cap::kSectorBytes];
    if (ReadSector(doc, doc.difat[i], block) != cap::kSectorBytes) return false;
    uint32_t* slot = doc.fatCache + i * cap::kFatEntriesPerSector;
    ByteCursor links(ByteReader(block, sizeof block));
    for (uint32_t e = 0; e < cap::kFatEntriesPerSector; ++e) slot[e] = links.U32();
    if (links.failed()) return false;
  }
  return true;
}

// Leaves doc.miniFat null when the file has no usable mini FAT; never fails the open.
void LoadMiniFat(DocFile& doc) {
  doc.miniFat = nullptr;
  const uint32_t miniFatSectors = HeaderU32(doc, cfb::kHeaderMiniFatSectors);
  if (miniFatSectors == 0) return;
  const uint32_t listed = CollectIntoTransientList(doc, HeaderU32(doc, cfb::kHeaderFirstMiniFat));
  // An empty or unfollowable chain is no mini FAT; one longer than its count neither.
  if (listed == 0 || listed > miniFatSectors) return;
  uint32_t* table = doc.workArea->readerTables.miniFat;
  std::fill_n(table, cap::kMiniFatEntries, 0u);
  // Slots past the chain's end hold 0, so sector 0 is read for a count longer than the chain.
  const uint32_t loaded = std::min(miniFatSectors, cap::kMiniFatSectors);
  for (uint32_t i = 0; i < loaded; ++i) {
    uint8_t block[cap::kSectorBytes];
    if (ReadSector(doc, doc.miniFatSectors[i], block) != cap::kSectorBytes) return;
    uint32_t* slot = table + i * cap::kFatEntriesPerSector;
    ByteCursor links(ByteReader(block, sizeof block));
    for (uint32_t e = 0; e < cap::kFatEntriesPerSector; ++e) slot[e] = links.U32();
    if (links.failed()) return;
  }
  doc.miniFat = table;
}

void DropDirectory(DocFile& doc) {
  if (doc.directoryOnHeap) doc.workArea->allocations.FreeBlock(doc.directory);
  doc.directory = nullptr;
  doc.directoryOnHeap = false;
  doc.DirCount = 0;
}

bool LoadDirectory(DocFile& doc) {
  const uint32_t first = HeaderU32(doc, cfb::kHeaderFirstDirSector);
  bool looped = false;
  const uint32_t sectors = ChainLength(doc, first, ChainTable::Fat, &looped);
  // A directory whose chain links back into itself cannot be trusted to be whole.
  if (looped || sectors < 1 || sectors > cap::kMaxDirectorySectors) return false;
  // A chain that can be counted but not listed (a look-up fails on the way) cannot be read.
  if (CollectIntoTransientList(doc, first) < sectors) return false;
  const uint32_t* list = doc.workArea->readerTables.TransientList();
  const uint32_t count = cap::kDirEntriesPerSector * sectors + 1;
  if (sectors < cap::kFixedDirectorySectors) {
    doc.directory = doc.workArea->readerTables.fixedDirectory;
    std::memset(doc.directory, 0, sizeof doc.workArea->readerTables.fixedDirectory);
  } else {
    doc.directory = static_cast<DirEntry*>(doc.workArea->allocations.AllocateRegistered(count * sizeof(DirEntry)));
    if (doc.directory == nullptr) return false;
    doc.directoryOnHeap = true;
  }
  doc.DirCount = count;
  auto* bytes = reinterpret_cast<uint8_t*>(doc.directory);
  for (uint32_t i = 0; i < sectors; ++i) {
    if (ReadSector(doc, list[i], bytes + i * cap::kSectorBytes) != cap::kSectorBytes) {
      DropDirectory(doc);
      return false;
    }
  }
  return true;
}

int32_t VisitBudget(uint32_t dirCount) {
  uint32_t p = 1;
  while (p * 2 <= dirCount + 1) p *= 2;
  return static_cast<int32_t>(dirCount + 2 * p);
}

// The mini stream's cursor: entry 0 opened as a regular stream, its first 1,024 chain ids
// kept in the work area's root chain list.
void SetUpRootCursor(DocFile& doc) {
  doc.rootCursor = StreamCursor{};
  if (OpenStream(doc, 0) == kStreamOpened) {
    uint32_t* rootChain = doc.workArea->readerTables.rootChain;
    std::fill_n(rootChain, cap::kRootChainEntries, 0u);
    const uint32_t kept = std::min(doc.current.chainCapacity, cap::kRootChainEntries);
    std::copy_n(doc.current.chainList, kept, rootChain);
    doc.rootCursor = doc.current;
    doc.rootCursor.chainList = rootChain;
    doc.rootCursor.chainCapacity = cap::kRootChainEntries;
    doc.rootCursor.chainLength = std::min(doc.current.chainLength, cap::kRootChainEntries);
    doc.rootCursor.heapChainList = false;
  }
  CloseStream(doc);
}

}  // namespace

int OpenCompoundFile(DocFile& doc) {
  ReaderTables& tables = doc.workArea->readerTables;
  // A DocFile may be opened again: drop what an earlier open held.
  CloseStream(doc);
  DropDirectory(doc);
  doc.current = StreamCursor{};
  doc.rootCursor = StreamCursor{};
  doc.rootCursorRef = &doc.rootCursor;
  doc.header = tables.header;
  doc.difat = tables.difat;
  doc.fatCache = nullptr;
  doc.miniFatSectors = tables.TransientList();
  doc.miniFat = nullptr;

  if (!ReadHeader(doc) || !HeaderAccepted(doc)) return 0;
  const uint32_t fatSectors = HeaderU32(doc, cfb::kHeaderFatSectors);
  if (fatSectors == 0) return 0;
  LoadDifat(doc, fatSectors);
  doc.fatCache = tables.fatCache;
  if (!LoadFatCache(doc, fatSectors)) {
    doc.fatCache = nullptr;
    return 0;
  }
  LoadMiniFat(doc);
  if (!LoadDirectory(doc)) return 0;
  doc.visitBudget = VisitBudget(doc.DirCount);
  doc.visitCounter = 0;
  if (doc.miniFat != nullptr) SetUpRootCursor(doc);
  return 1;
}

}  // namespace qv
