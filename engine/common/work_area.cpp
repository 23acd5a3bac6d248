#include "engine/common/work_area.h"

#include "engine/common/quarantine_session.h"

#include <algorithm>
#include <cstring>

namespace qv {

WorkAreaMemory::WorkAreaMemory() : tables_(new ReaderTables()) {}

ReaderTables& WorkAreaMemory::Lend() {
  if (used_) std::memset(tables_.get(), 0, sizeof(ReaderTables));
  used_ = false;
  return *tables_;
}

WorkArea::WorkArea()
    : ownMemory_(new WorkAreaMemory()),
      memory_(*ownMemory_),
      readerTables(memory_.Lend()),
      allocations(memory_.Register()) {}

WorkArea::WorkArea(WorkAreaMemory& memory)
    : memory_(memory), readerTables(memory_.Lend()), allocations(memory_.Register()) {}

// The call flow releases docFile and tables (their owners live above this layer); what is
// left here are the registered blocks.
WorkArea::~WorkArea() {
  EndQuarantineTurn(*this);  // a call that ended early gives its turn back here
  allocations.FreeAllBlocks();
}

uint32_t ReadAt(WorkArea& area, uint32_t offset, void* buffer, uint32_t length) {
  if (!area.document || buffer == nullptr || length == 0) return 0;
  const size_t got = area.document->ReadAt(offset, buffer, length);
  // A repair in hand reads what it has written so far, in the order it wrote it.
  auto* out = static_cast<uint8_t*>(buffer);
  const uint64_t end = uint64_t{offset} + got;
  for (const HeldWrite& held : area.heldWrites) {
    const uint64_t from = std::max<uint64_t>(held.offset, offset);
    const uint64_t to = std::min<uint64_t>(held.offset + held.bytes.size(), end);
    if (from < to) std::memcpy(out + (from - offset), held.bytes.data() + (from - held.offset), to - from);
  }
  return static_cast<uint32_t>(got);
}

uint32_t WriteAt(WorkArea& area, uint32_t offset, const void* buffer, uint32_t length) {
  if (!area.document || buffer == nullptr || length == 0) return 0;
  if (!area.holdingWrites) return static_cast<uint32_t>(area.document->WriteAt(offset, buffer, length));
  // Held for the repair's commit; like a write to the file, it never extends the document.
  if (offset >= area.heldLimit) return 0;
  const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(length, area.heldLimit - offset));
  const auto* in = static_cast<const uint8_t*>(buffer);
  // A write that touches the last one joins it (a stream zeroed piece by piece over its run
  // of sectors stays one held write), so reads stay cheap.
  if (!area.heldWrites.empty()) {
    HeldWrite& last = area.heldWrites.back();
    const uint64_t lo = last.offset, hi = last.offset + last.bytes.size();
    if (offset <= hi && offset + uint64_t{n} >= lo) {
      if (offset < lo) {
        last.bytes.insert(last.bytes.begin(), static_cast<size_t>(lo - offset), 0);
        last.offset = offset;
      }
      const uint64_t to = offset + uint64_t{n};
      if (to > last.offset + last.bytes.size()) last.bytes.resize(static_cast<size_t>(to - last.offset));
      std::memcpy(last.bytes.data() + (offset - last.offset), in, n);
      return n;
    }
  }
  area.heldWrites.push_back({offset, std::vector<uint8_t>(in, in + n)});
  return n;
}

}  // namespace qv
