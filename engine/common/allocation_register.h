// The allocation register: every heap block a document reader takes is entered here and
// freed after the file, so no failure path can leak it past the current document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/common/capacities.h"

namespace qv {

class AllocationRegister {
 public:
  AllocationRegister();
  ~AllocationRegister();
  AllocationRegister(const AllocationRegister&) = delete;
  AllocationRegister& operator=(const AllocationRegister&) = delete;

  // Appends a block; false when the register is full (the block is then not owned).
  bool RegisterBlock(void* block);
  // Removes one entry for the block, keeping the order of the rest; false when absent.
  bool UnregisterBlock(void* block);
  // Frees the block only when it is registered (and removes it); false otherwise.
  bool FreeBlock(void* block);
  // Frees every registered block and empties the register.
  void FreeAllBlocks();

  uint32_t Count() const { return count_; }
  bool Contains(const void* block) const;

  // Allocates `size` bytes (zero-filled) and registers them; null when either step fails.
  void* AllocateRegistered(size_t size);

 private:
  uint32_t count_ = 0;
  std::unique_ptr<void*[]> blocks_;  // kRegisterEntries references
};

}  // namespace qv
