// ConvertPatternToUtf16 over the code page 936 table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/signature/cp936.h"

namespace qv {
namespace {

TEST(ConvertPatternToUtf16, CodePage936Pairs) {
  struct Case {
    std::string bytes;
    size_t capacity;
    std::vector<uint16_t> units;
  } cases[] = {
      {"\xB0\xA1", 10, {0x554A}},
      {"\xAA\xA1", 10, {0xE000}},   // private-use area
      {"\xFE\xFE", 10, {0xE4C5}},
      {"\xA1\xA4", 10, {0x00B7}},   // differs from plain GB2312
      {"\xA1\xAA", 10, {0x2014}},
      {"\xB2\xA1\xB6\xBE", 10, {0x75C5, 0x6BD2}},
      {"Ab\x80", 10, {0x41, 0x62, 0x80}},
      {"A\xB0", 10, {0x41}},                 // unpaired lead byte at the end gives nothing
      {"\xB0" "A", 10, {0xB0, 0x41}},        // lead byte before a low byte: both as they are
      {"\xFF\xFF", 10, {0x3F}},              // a pair outside the table
      {"ABC", 2, {0x41, 0x42}},
      {"\xB0" "A", 1, {0xB0}},
      {"", 10, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ConvertPatternToUtf16(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), c.capacity),
              c.units)
        << c.bytes;
  }
}

TEST(ConvertPatternToUtf16, TableHasNoGapsOrDuplicates) {
  std::vector<bool> seen(0x10000);
  for (uint16_t unit : kCp936Table) {
    EXPECT_NE(unit, u'?');
    EXPECT_FALSE(seen[unit]) << std::hex << unit;
    seen[unit] = true;
  }
}

}  // namespace
}  // namespace qv
