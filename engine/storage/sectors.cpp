// Sector reads and the FAT / mini FAT chain walks.
#include <bitset>
#include <cstring>
#include <memory>

#include "engine/common/byte_reader.h"
#include "engine/common/work_area.h"
#include "engine/storage/compound_file.h"
#include "engine/storage/storage_internal.h"

namespace qv {
namespace storage_internal {

bool SectorFileOffset(const DocFile& doc, uint32_t id, uint32_t& offset) {
  const auto signedId = static_cast<int32_t>(id);
  if (signedId < -1) return false;
  const int64_t start = (static_cast<int64_t>(signedId) + 1) * cap::kSectorBytes;
  if (start > INT32_MAX) return false;
  // In memory mode the image is the whole compound file: the document's own copy, or a
  // compound file embedded in the document (which may be larger than the document).
  uint64_t limit = doc.workArea->fileSize;
  if (doc.memoryMode != 0 && doc.memoryImage != nullptr) limit = doc.memoryImageSize;
  if (!InBounds(static_cast<uint64_t>(start), cap::kSectorBytes, limit)) return false;
  offset = static_cast<uint32_t>(start);
  return true;
}

uint32_t HeaderU32(const DocFile& doc, uint32_t offset) {
  return LoadU32(doc.workArea->readerTables.header + offset);
}

uint32_t CollectIntoTransientList(DocFile& doc, uint32_t first) {
  uint32_t* list = doc.workArea->readerTables.TransientList();
  std::memset(list, 0, cap::kTransientListEntries * sizeof(uint32_t));
  return CollectChain(doc, first, list, ChainTable::Fat, cap::kTransientListEntries);
}

uint8_t* SmallValueScratch(DocFile& doc) { return doc.workArea->readerTables.SmallValueScratch(); }

}  // namespace storage_internal

using storage_internal::HeaderU32;

uint32_t ReadSector(DocFile& doc, uint32_t id, uint8_t* buffer512) {
  uint32_t offset = 0;
  if (buffer512 == nullptr || !storage_internal::SectorFileOffset(doc, id, offset)) return 0;
  if (doc.memoryMode != 0 && doc.memoryImage != nullptr) {
    std::memcpy(buffer512, doc.memoryImage + offset, cap::kSectorBytes);
    return cap::kSectorBytes;
  }
  return ReadAt(*doc.workArea, offset, buffer512, cap::kSectorBytes);
}

namespace {

constexpr uint32_t kCachedFatEntries = cap::kFatCacheSectors * cap::kFatEntriesPerSector;

bool IsChainEnd(uint32_t sector) {
  return sector == cfb::kFreeSect || sector == cfb::kEndOfChain || sector == cfb::kFatSect ||
         sector == cfb::kDifSect;
}

bool TableAbsent(const DocFile& doc, ChainTable table) {
  return table == ChainTable::MiniFat ? doc.miniFat == nullptr : doc.fatCache == nullptr;
}

bool NextSector(DocFile& doc, uint32_t sector, ChainTable table, uint32_t& next) {
  return table == ChainTable::Fat ? NextFatSector(doc, sector, next) : NextMiniSector(doc, sector, next);
}

// The sectors met so far on one chain walk. Every id a FAT look-up can follow lies below
// the DIFAT's reach (and every mini id below the mini FAT's), so one bit per id covers all
// of them without an allocation.
class ChainVisits {
 public:
  // True when `sector` was met before on this walk; records it otherwise.
  bool Revisited(uint32_t sector) {
    if (sector >= seen_.size()) return false;  // its look-up fails and ends the walk anyway
    if (seen_.test(sector)) return true;
    seen_.set(sector);
    return false;
  }

 private:
  std::bitset<cap::kFatAddressableSectors> seen_;
};
static_assert(cap::kMiniFatEntries <= cap::kFatAddressableSectors);

void MarkLooped(bool* looped) {
  if (looped != nullptr) *looped = true;
}

}  // namespace

bool NextFatSector(DocFile& doc, uint32_t sector, uint32_t& next) {
  if (doc.fatCache == nullptr) return false;
  if (sector < kCachedFatEntries) {
    next = doc.fatCache[sector];
    return true;
  }
  // Beyond the cache: FAT sector k is read on every look-up; nothing is kept.
  const uint32_t k = sector / cap::kFatEntriesPerSector;
  const uint32_t e = sector % cap::kFatEntriesPerSector;
  if (k >= HeaderU32(doc, cfb::kHeaderFatSectors) || k >= cap::kDifatEntries) return false;
  uint8_t fatSector[cap::kSectorBytes];
  if (ReadSector(doc, doc.difat[k], fatSector) != cap::kSectorBytes) return false;
  ByteCursor links(ByteReader(fatSector, sizeof fatSector));
  next = links.U32At(4ull * e);
  return links.ok();
}

bool NextMiniSector(DocFile& doc, uint32_t sector, uint32_t& next) {
  if (doc.miniFat == nullptr || sector >= cap::kMiniFatEntries) return false;
  next = doc.miniFat[sector];
  return true;
}

namespace {

// How a chain walk ended early.
struct ChainWalkEnd {
  bool lookupFailed = false;  // a link could not be looked up (the count excludes its sector)
};

// The one chain walk under ChainLength and CollectChain. From `first` it takes sectors until an
// end marker (FREESECT, ENDOFCHAIN, FATSECT, DIFSECT), a sector met before (`looped`), `limit`
// sectors, or a link to sector 0; with `negativeLinkEnds` every link that is negative as a
// signed value ends it too. visit(sector, index) sees each sector before its link is looked up.
template <typename Visit>
uint32_t WalkChain(DocFile& doc, uint32_t first, ChainTable table, uint32_t limit, bool negativeLinkEnds,
                   bool* looped, ChainWalkEnd& end, Visit visit) {
  if (first == cfb::kFreeSect || first == cfb::kEndOfChain || TableAbsent(doc, table)) return 0;
  auto visits = std::make_unique<ChainVisits>();
  uint32_t count = 0;
  uint32_t sector = first;
  while (count < limit && !IsChainEnd(sector)) {
    if (visits->Revisited(sector)) {
      MarkLooped(looped);
      break;
    }
    visit(sector, count);
    uint32_t next = 0;
    if (!NextSector(doc, sector, table, next)) {
      end.lookupFailed = true;
      return count;
    }
    ++count;
    // A link to sector 0 ends a chain (sector 0 can still start one).
    if (next == 0 || (negativeLinkEnds && static_cast<int32_t>(next) < 0)) break;
    sector = next;
  }
  return count;
}

}  // namespace

// Counts up to one link beyond the guard; a FAT look-up that fails keeps the count so far, a
// mini FAT one (a mini sector the table cannot reach) gives 0.
uint32_t ChainLength(DocFile& doc, uint32_t first, ChainTable table, bool* looped) {
  ChainWalkEnd end;
  const uint32_t count =
      WalkChain(doc, first, table, cap::kChainLengthGuard + 1, true, looped, end, [](uint32_t, uint32_t) {});
  if (end.lookupFailed && table == ChainTable::MiniFat) return 0;
  return count;
}

// Lists up to `maximum` sectors; any failed look-up makes the whole result 0.
uint32_t CollectChain(DocFile& doc, uint32_t first, uint32_t* list, ChainTable table, uint32_t maximum,
                      bool* looped) {
  ChainWalkEnd end;
  const uint32_t count = WalkChain(doc, first, table, maximum, false, looped, end, [&](uint32_t sector, uint32_t index) {
    if (list != nullptr) list[index] = sector;
  });
  return end.lookupFailed ? 0 : count;
}

}  // namespace qv
