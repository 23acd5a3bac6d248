#include "engine/ppt/stream_placement.h"

#include <algorithm>
#include <cstring>

#include "engine/common/byte_reader.h"
#include "engine/common/capacities.h"
#include "engine/common/work_area.h"
#include "engine/storage/doc_file.h"
#include "engine/storage/streams.h"

namespace qv::ppt {
namespace {

uint64_t SectorStart(uint32_t sector) { return (static_cast<uint64_t>(sector) + 1) * cap::kSectorBytes; }

}  // namespace

std::optional<StreamPlacement::Run> StreamPlacement::Locate(uint32_t at) const {
  if (at >= size) return std::nullopt;
  const uint32_t unit = mini ? cap::kMiniSectorBytes : cap::kSectorBytes;
  const uint32_t index = at / unit;
  if (index >= chain.size()) return std::nullopt;
  const uint32_t within = at % unit;
  const uint32_t length = std::min(unit - within, size - at);
  if (!mini) return Run{SectorStart(chain[index]) + within, length};
  // A mini sector lies inside one sector of the mini stream (512 is a multiple of 64).
  const uint64_t inMiniStream = static_cast<uint64_t>(chain[index]) * cap::kMiniSectorBytes + within;
  const uint64_t rootIndex = inMiniStream / cap::kSectorBytes;
  if (rootIndex >= rootChain.size()) return std::nullopt;
  return Run{SectorStart(rootChain[rootIndex]) + inMiniStream % cap::kSectorBytes, length};
}

bool ReadPlacedStream(DocFile& doc, uint32_t id, uint32_t limit, std::vector<uint8_t>& bytes,
                      StreamPlacement& placement) {
  placement = {};
  bytes.clear();
  if (OpenStream(doc, id) != kStreamOpened) {
    CloseStream(doc);
    return false;
  }
  const StreamCursor& cursor = doc.current;
  const uint64_t chainBytes = static_cast<uint64_t>(cursor.chainLength) * cursor.sectorSize;
  const auto length = static_cast<uint32_t>(std::min<uint64_t>({cursor.size, limit, chainBytes}));
  placement.mini = cursor.mini != 0;
  placement.chain.assign(cursor.chainList, cursor.chainList + cursor.chainLength);
  if (placement.mini && doc.rootCursor.chainList != nullptr) {
    placement.rootChain.assign(doc.rootCursor.chainList, doc.rootCursor.chainList + doc.rootCursor.chainLength);
  }
  bytes.resize(length);
  const int32_t got = length == 0 ? 0 : ReadStream(doc, bytes.data(), static_cast<int32_t>(length));
  CloseStream(doc);
  if (got < 0 || static_cast<uint32_t>(got) != length) return false;
  placement.size = length;
  return true;
}

bool WritePlaced(WorkArea& area, const StreamPlacement& placement, uint32_t at, const uint8_t* bytes, uint32_t length) {
  while (length > 0) {
    const auto run = placement.Locate(at);
    if (!run || run->fileOffset > UINT32_MAX) return false;
    const uint32_t piece = std::min(run->length, length);
    if (WriteAt(area, static_cast<uint32_t>(run->fileOffset), bytes, piece) != piece) return false;
    at += piece;
    bytes += piece;
    length -= piece;
  }
  return true;
}

bool ZeroPlaced(std::vector<uint8_t>& image, const StreamPlacement& placement) {
  uint32_t at = 0;
  while (at < placement.size) {
    const auto run = placement.Locate(at);
    if (!run || !InBounds(run->fileOffset, run->length, image.size())) return false;
    std::memset(image.data() + run->fileOffset, 0, run->length);
    at += run->length;
  }
  return true;
}

}  // namespace qv::ppt
