// The numbers and texts the driver computes for the window.
#include <gtest/gtest.h>

#include "frontend/driver/scan_driver.h"
#include "tests/driver/recording_receiver.h"

namespace qv::frontend {
namespace {

using test::Utf8;

TEST(ScanProgress, FollowsTheSinglePrecisionRounding) {
  struct Case {
    size_t k, n;
    int expected;
  };
  const Case cases[] = {
      {1, 1, 100},  {1, 3, 33},  {2, 3, 66},  {3, 3, 100},
      // 29/100*100 and 57/100*100 fall just below the integer in double precision
      {29, 100, 29}, {57, 100, 57}, {58, 100, 58}, {100, 100, 100},
      {1, 1000, 0},  {9, 1000, 0},  {10, 1000, 1}, {999, 1000, 99}, {1000, 1000, 100},
      {0, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ScanProgress(c.k, c.n), c.expected) << c.k << " of " << c.n;
  }
  // The plain double computation would disagree here: the rounding is what is tested.
  EXPECT_EQ(static_cast<int>(29.0 / 100.0 * 100.0), 28);
}

TEST(FormatSizeText, KilobytesWithTwoDecimals) {
  const std::pair<uint64_t, const char*> cases[] = {
      {0, "0.00K"}, {1536, "1.50K"}, {12345, "12.06K"}, {1024 * 1024, "1024.00K"},
      {10ull * 1024 * 1024 * 1024 * 1024, "10737418240.00K"}};
  for (const auto& [bytes, text] : cases) EXPECT_EQ(Utf8(FormatSizeText(bytes)), text) << bytes;
}

TEST(FormatSummary, CountsInTheFixedWording) {
  EXPECT_EQ(Utf8(FormatSummary(12, 3, 3)), "共扫描 12 个文件   检测到 3 个异常   修复 3 个异常");
  EXPECT_EQ(Utf8(FormatSummary(0, 0, 0)), "共扫描 0 个文件   检测到 0 个异常   修复 0 个异常");
}

}  // namespace
}  // namespace qv::frontend
