// The start-up sweep: well-known dropper workbooks in XLSTART are quarantined and deleted
// in both modes, without any signature.
#include <gtest/gtest.h>

#include "engine/flow/report.h"
#include "tests/support/engine/program_folder.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

struct SweepNameCase {
  std::string path;
  bool matches;
};

class StartupNameTest : public ::testing::TestWithParam<SweepNameCase> {};

TEST_P(StartupNameTest, Matches) {
  // The cases are written with '/'; a path takes the platform's separator.
  EXPECT_EQ(IsStartupSweepName(U16(fs::path(GetParam().path))), GetParam().matches) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(Table, StartupNameTest,
                         ::testing::Values(SweepNameCase{"/u/Excel/XLSTART/StartUp.xls", true},
                                           SweepNameCase{"/u/Excel/XLSTART/k4.xls", true},
                                           SweepNameCase{"/u/Excel/XLSTART/k4.xlsx", true},
                                           SweepNameCase{"/u/Excel/XLSTART/Book10.xls", true},
                                           SweepNameCase{"/u/Excel/XLSTART/BINV.XLS", true},
                                           SweepNameCase{"/u/Excel/XLSTART/RESULTS.XLS", true},
                                           SweepNameCase{"/u/Excel/xlstart/STARTUP.XLS", true},
                                           SweepNameCase{"/u/Excel/XLSTART/Book2.xls", false},
                                           SweepNameCase{"/u/Excel/k4.xls", false},
                                           SweepNameCase{"/XLSTART/Book", false},
                                           SweepNameCase{"", false}));

class SweepTest : public ::testing::TestWithParam<int> {
 protected:
  ProgramFolder program_;
  TempDir docs_;
};

TEST_P(SweepTest, CompoundStartupFileIsQuarantinedAndDeletedInEitherMode) {
  const fs::path file = docs_ / "Excel" / "XLSTART" / "k4.xls";
  const auto bytes = CompoundSignatureOnly();
  WriteFile(file, bytes);
  const ExportCall call = CallScanFileVirus(U16(docs_.path()), GetParam());
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.text, u"");  // a sweep names no virus
  EXPECT_FALSE(Exists(file));
  auto copy = ReadFile(program_.quarantine() / "k4.xls.vir");
  for (auto& b : copy) b ^= 0x9D;
  EXPECT_EQ(copy, bytes);
  EXPECT_EQ(program_.ReadLog(), "2016-01-05 09:07:03  " + file.string() + " , deleted\n");
}

TEST_P(SweepTest, PlainTextStartupFileIsLeftAlone) {
  const fs::path file = docs_ / "XLSTART" / "k4.xls";
  WriteFile(file, std::string("not a compound file"));
  CallScanFileVirus(U16(file), GetParam());
  EXPECT_TRUE(Exists(file));
  EXPECT_EQ(program_.ReadLog(), "");
}

TEST_P(SweepTest, ReadOnlyStartupFileIsLeftAlone) {
  const fs::path file = docs_ / "XLSTART" / "Book1.xls";
  WriteFile(file, CompoundSignatureOnly());
  fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  CallScanFileVirus(U16(file), GetParam());
  EXPECT_TRUE(Exists(file));
  EXPECT_FALSE(Exists(program_.quarantine() / "Book1.xls.vir"));
}

// mode 1 repairs, 0 reports only, 256 has a zero low byte and reports only
INSTANTIATE_TEST_SUITE_P(Modes, SweepTest, ::testing::Values(1, 0, 256));

}  // namespace
}  // namespace qv::test
