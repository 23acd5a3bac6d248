// The allocation register of the work area.
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/common/allocation_register.h"

namespace qv {
namespace {

TEST(AllocationRegisterTest, UnregisterKeepsTheOrderOfTheRest) {
  AllocationRegister reg;
  void* blocks[4];
  for (auto*& b : blocks) {
    b = std::malloc(8);
    ASSERT_TRUE(reg.RegisterBlock(b));
  }
  EXPECT_TRUE(reg.UnregisterBlock(blocks[1]));
  EXPECT_FALSE(reg.UnregisterBlock(blocks[1]));
  EXPECT_EQ(reg.Count(), 3u);
  std::free(blocks[1]);  // unregistered: ours to free
  EXPECT_TRUE(reg.FreeBlock(blocks[2]));
  EXPECT_TRUE(reg.Contains(blocks[0]));
  EXPECT_TRUE(reg.Contains(blocks[3]));
  EXPECT_FALSE(reg.Contains(blocks[2]));
}

TEST(AllocationRegisterTest, FreeBlockFreesOnlyRegisteredBlocks) {
  AllocationRegister reg;
  int onStack = 0;
  EXPECT_FALSE(reg.FreeBlock(&onStack));  // never handed to free()
  EXPECT_FALSE(reg.FreeBlock(nullptr));
}

TEST(AllocationRegisterTest, FullRegisterRefusesAndFreeAllEmptiesIt) {
  AllocationRegister reg;
  for (size_t i = 0; i < cap::kRegisterEntries; ++i) ASSERT_NE(reg.AllocateRegistered(1), nullptr);
  void* extra = std::malloc(1);
  EXPECT_FALSE(reg.RegisterBlock(extra));
  EXPECT_EQ(reg.AllocateRegistered(1), nullptr);
  std::free(extra);
  EXPECT_EQ(reg.Count(), cap::kRegisterEntries);
  reg.FreeAllBlocks();  // a leak here shows under AddressSanitizer
  EXPECT_EQ(reg.Count(), 0u);
  EXPECT_NE(reg.AllocateRegistered(16), nullptr);  // usable again; freed by the destructor
}

}  // namespace
}  // namespace qv
