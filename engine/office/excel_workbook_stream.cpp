#include "engine/office/excel_workbook_stream.h"

#include <algorithm>

#include "engine/common/capacities.h"
#include "engine/common/work_area.h"
#include "engine/storage/compound_file.h"
#include "engine/storage/streams.h"
#include "engine/storage/writer.h"

namespace qv {
namespace {

constexpr uint32_t kRootStorage = 0;

// The entry id of "Workbook" under the root storage; the root entry itself does not count.
int32_t FindWorkbookStream(DocFile& doc) {
  const int32_t id = FindEntry(doc, kRootStorage, u"Workbook");
  return id > 0 ? id : -1;
}

}  // namespace

WorkbookCopy::WorkbookCopy(DocFile& doc, bool withVisitMap) : doc_(doc) {
  const int32_t id = FindWorkbookStream(doc);
  if (id < 0) return;
  if (OpenStream(doc, static_cast<uint32_t>(id)) != kStreamOpened) {
    CloseStream(doc);
    return;
  }
  const uint32_t capacity = std::min(doc.current.size, cap::kWorkbookCopyBytes);
  const size_t mapBytes = withVisitMap ? (static_cast<size_t>(capacity) + 7) / 8 : 0;
  auto* block = static_cast<uint8_t*>(doc.workArea->allocations.AllocateRegistered(capacity + mapBytes));
  if (block == nullptr) {
    CloseStream(doc);
    return;
  }
  // Piece by piece, so that a chain that breaks part-way still leaves every sector before
  // the break in the copy.
  uint32_t got = 0;
  while (got < capacity) {
    const auto piece = static_cast<int32_t>(std::min(capacity - got, cap::kWorkbookReadChunk));
    const int32_t read = ReadStream(doc, block + got, piece);
    if (read <= 0) break;
    got += static_cast<uint32_t>(read);
  }
  CloseStream(doc);
  block_ = block;
  visitMap_ = withVisitMap ? block + capacity : nullptr;
  size_ = got;
  entryId_ = static_cast<uint32_t>(id);
}

WorkbookCopy::~WorkbookCopy() {
  if (block_ != nullptr) doc_.workArea->allocations.FreeBlock(block_);
}

WorkbookStreamSink::WorkbookStreamSink(DocFile& doc, uint32_t entryId) : doc_(doc) {
  opened_ = OpenStream(doc, entryId) == kStreamOpened;
}

WorkbookStreamSink::~WorkbookStreamSink() { CloseStream(doc_); }

bool WorkbookStreamSink::Write(uint32_t offset, const uint8_t* bytes, uint32_t length) {
  if (!opened_ || !InBounds(offset, length, doc_.current.size)) return false;
  if (length == 0) return true;
  if (SeekStream(doc_, static_cast<int32_t>(offset), 0) != 1) return false;
  return WriteStream(doc_, bytes, static_cast<int32_t>(length)) == static_cast<int32_t>(length);
}

}  // namespace qv
