#include "engine/common/allocation_register.h"

#include <cstdlib>
#include <cstring>

namespace qv {

// Only the first count_ entries are ever read, so the table needs no zeroing.
AllocationRegister::AllocationRegister() : blocks_(new void*[cap::kRegisterEntries]) {}

AllocationRegister::~AllocationRegister() { FreeAllBlocks(); }

bool AllocationRegister::RegisterBlock(void* block) {
  if (block == nullptr || count_ >= cap::kRegisterEntries) return false;
  blocks_[count_++] = block;
  return true;
}

bool AllocationRegister::UnregisterBlock(void* block) {
  for (uint32_t i = 0; i < count_; ++i) {
    if (blocks_[i] == block) {
      std::memmove(&blocks_[i], &blocks_[i + 1], (count_ - i - 1) * sizeof(void*));
      --count_;
      return true;
    }
  }
  return false;
}

bool AllocationRegister::FreeBlock(void* block) {
  if (block == nullptr || !UnregisterBlock(block)) return false;
  std::free(block);
  return true;
}

void AllocationRegister::FreeAllBlocks() {
  for (uint32_t i = 0; i < count_; ++i) std::free(blocks_[i]);
  count_ = 0;
}

bool AllocationRegister::Contains(const void* block) const {
  for (uint32_t i = 0; i < count_; ++i) {
    if (blocks_[i] == block) return true;
  }
  return false;
}

void* AllocationRegister::AllocateRegistered(size_t size) {
  void* block = std::calloc(size == 0 ? 1 : size, 1);
  if (block == nullptr) return nullptr;
  if (!RegisterBlock(block)) {
    std::free(block);
    return nullptr;
  }
  return block;
}

}  // namespace qv
