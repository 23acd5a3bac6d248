// The log line formats and the console form of paths.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/common/trace.h"
#include "engine/common/work_area.h"
#include "engine/flow/report.h"
#include "engine/platform/platform.h"
#include "tests/support/engine/program_folder.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

struct ShortenCase {
  const char* name;
  std::optional<int16_t> width;
  std::string path;
  std::string expected;
};

class ShortenPathTest : public ::testing::TestWithParam<ShortenCase> {};

TEST_P(ShortenPathTest, FitsTheConsole) {
  const ShortenCase& c = GetParam();
  // The cases are written with '/': the path takes the platform's separator, and so does the
  // shortened form, which is compared with '/' again.
  std::string shown = ShortenPathForConsole(U16(std::filesystem::path(c.path)), c.width);
  std::replace(shown.begin(), shown.end(), char(platform::kSep), '/');
  EXPECT_EQ(shown, c.expected);
  if (c.width && *c.width - 40 >= 5) {
    EXPECT_LE(shown.size(), static_cast<size_t>(*c.width - 40));
  }
}

// A 100-byte path: "/d" + 7 folders of 9 bytes ("/folderNN") + "/" + 34-byte file name.
const std::string kLong = "/d/folder01/folder02/folder03/folder04/folder05/folder06/folder07/"
                          "averyveryverylongfilename12345.doc";

INSTANTIATE_TEST_SUITE_P(
    Table, ShortenPathTest,
    ::testing::Values(
        ShortenCase{"NoConsole", std::nullopt, kLong, kLong},
        ShortenCase{"NarrowConsoleCutsNothingWhenLimitNegative", int16_t{30}, kLong, kLong},
        ShortenCase{"FitsExactly", int16_t{140}, kLong, kLong},
        // L = 60: the leftmost separator from which at most 55 bytes remain, that separator included
        // L = 60: the tail starts at the leftmost separator from which at most 55 bytes remain
        ShortenCase{"Width100", int16_t{100}, kLong,
                    "/d.../folder06/folder07/averyveryverylongfilename12345.doc"},
        // L = 20 and no separator qualifies: the last 15 bytes
        ShortenCase{"NoQualifyingSeparator", int16_t{60}, "/x/" + std::string(40, 'n') + ".doc",
                    "/x..." + std::string(11, 'n') + ".doc"}),
    [](const ::testing::TestParamInfo<ShortenCase>& info) { return std::string(info.param.name); });

class ReportLineTest : public ::testing::Test {
 protected:
  ReportLineTest() {
    fs::create_directories(program_.quarantine());
    area_.quarantineDir = U16(program_.quarantine().string() + "/");
    area_.log.Open(U16(program_.logFile()));
    area_.takenUpAt = platform::LocalTime{2016, 1, 5, 9, 7, 3};
  }
  void TakeUp(const fs::path& path, const std::string& content) {
    WriteFile(path, content);
    area_.currentPath = U16(path);
    area_.document = platform::File::OpenReadWrite(area_.currentPath);
    area_.fileSize = static_cast<uint32_t>(content.size());
  }
  std::string Log() {
    area_.log.Flush();
    return program_.ReadLog();
  }
  ProgramFolder program_;
  TempDir docs_;
  WorkArea area_;
};

TEST_F(ReportLineTest, ReportOnlyLineHasDatePathRuleAndLineEnd) {
  TakeUp(docs_ / "b.doc", "document");
  ::testing::internal::CaptureStdout();
  EXPECT_TRUE(ReportInfection("Macro.Test.Signature", area_));
  const std::string console = ::testing::internal::GetCapturedStdout();
  const std::string path = (docs_ / "b.doc").string();
  EXPECT_EQ(Log(), "2016-01-05 09:07:03  " + path + "  Macro.Test.Signature\n");
  EXPECT_EQ(console, "09:07:03  " + path + "  Macro.Test.Signature\n");
  EXPECT_STREQ(area_.resultName, "Macro.Test.Signature");
  EXPECT_EQ(ReadFile(docs_ / "b.doc"), (std::vector<uint8_t>{'d', 'o', 'c', 'u', 'm', 'e', 'n', 't'}));
}

TEST_F(ReportLineTest, BackupFailureAbandonsTheDocumentWithItsLines) {
  TakeUp(docs_ / "b.doc", "document");
  area_.quarantineDir = U16((docs_ / "missing").string() + "/");
  area_.repairMode = 1;
  ::testing::internal::CaptureStdout();
  EXPECT_THROW(ReportInfection("Rule.Name", area_), DocumentAbandoned);
  ::testing::internal::GetCapturedStdout();
  const std::string path = (docs_ / "b.doc").string();
  EXPECT_EQ(Log(), "2016-01-05 09:07:03  " + path + "  Rule.Name\nBackup " + path + " failed,kill Abort!\n");
  EXPECT_STREQ(area_.resultName, "Rule.Name");  // named before the copy was tried
}

TEST_F(ReportLineTest, RuleNamesAreCutTo127Bytes) {
  TakeUp(docs_ / "b.doc", "document");
  const std::string longName(200, 'R');
  ::testing::internal::CaptureStdout();
  ReportInfection(longName.c_str(), area_);
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(std::string(area_.resultName), std::string(127, 'R'));
}

}  // namespace
}  // namespace qv::test
