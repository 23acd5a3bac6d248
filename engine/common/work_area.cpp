#include "engine/common/work_area.h"

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
WorkArea::~WorkArea() { allocations.FreeAllBlocks(); }

uint32_t ReadAt(WorkArea& area, uint32_t offset, void* buffer, uint32_t length) {
  if (!area.document || buffer == nullptr || length == 0) return 0;
  return static_cast<uint32_t>(area.document->ReadAt(offset, buffer, length));
}

uint32_t WriteAt(WorkArea& area, uint32_t offset, const void* buffer, uint32_t length) {
  if (!area.document || buffer == nullptr || length == 0) return 0;
  return static_cast<uint32_t>(area.document->WriteAt(offset, buffer, length));
}

}  // namespace qv
