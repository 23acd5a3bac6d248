// The C++ API beside the exports: statuses the exports cannot tell, and one finding per
// report with the action actually taken.
#include <gtest/gtest.h>

#include "engine/include/scan_engine.h"
#include "tests/support/engine/program_folder.h"
#include "tests/support/system/system.h"
#include "tests/support/zip/package_builder.h"
#include "tests/support/zip/project_part.h"
#include "tests/support/zip/write_lock.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

TEST(ScanApiTest, StatusesNameWhyACallDidNotWalk) {
  TempDir docs;
  {
    ProgramFolder program(std::vector<uint8_t>{});
    EXPECT_EQ(api::ScanPath(U16(docs.path()), {}).status, api::Status::LibraryMissing);
  }
  {
    ProgramFolder program(std::vector<uint8_t>{'n', 'o', 't', ' ', 'a', ' ', 'l', 'i', 'b'});
    EXPECT_EQ(api::ScanPath(U16(docs.path()), {}).status, api::Status::LibraryUnusable);
  }
  {
    ProgramFolder program;
    WriteFile(program.quarantine(), std::string("a file where the folder should be"));
    EXPECT_EQ(api::ScanPath(U16(docs.path()), {}).status, api::Status::NoWorkArea);
  }
  ProgramFolder program;
  const api::ScanOutcome ran = api::ScanPath(U16(docs.path()), {});
  EXPECT_EQ(ran.status, api::Status::Ran);
  EXPECT_TRUE(ran.findings.empty());
}

TEST(ScanApiTest, FindingsOfAPackageNameThePackageAndTheActionTaken) {
  ProgramFolder program;
  TempDir docs;
  const fs::path report = docs / "Report.docm";
  const fs::path deck = docs / "Deck.pptm";
  WritePackage(report, MacroEnabledPackage(OfficeKind::Word, VbaProjectPart(ProjectPart::InfectedRepairable)));
  WritePackage(deck, MacroEnabledPackage(OfficeKind::PowerPoint, VbaProjectPart(ProjectPart::Infected)));

  fs::permissions(report, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::others_read);
  // The project part of the deck cannot be cleaned and is removed: the package loses its
  // macros and is repaired as a whole.
  for (bool repair : {false, true}) {
    for (const fs::path& path : {report, deck}) {
      const api::ScanOutcome outcome = api::ScanPath(U16(path), {repair, false});
      ASSERT_EQ(outcome.status, api::Status::Ran);
      ASSERT_EQ(outcome.findings.size(), 1u) << path << " repair " << repair;
      EXPECT_EQ(outcome.findings[0].path, U16(path));
      EXPECT_EQ(outcome.findings[0].ruleName, "Macro.Test.Signature");
      EXPECT_EQ(outcome.findings[0].action, repair ? api::Action::Repaired : api::Action::Reported);
      EXPECT_EQ(outcome.resultText, u"Macro.Test.Signature");
      EXPECT_TRUE(Exists(path));
    }
  }
  // the replacement keeps who may read the document (POSIX permission bits; the attributes
  // that Windows carries instead are the platform tests' matter)
  if (kPosixModes) EXPECT_EQ(fs::status(report).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
  EXPECT_STREQ(api::ActionName(api::Action::RepairFailed), "repair failed");
}

TEST(ScanApiTest, APackageThatCannotBeReplacedIsNotCalledRepaired) {
  ProgramFolder program;
  TempDir docs;
  const fs::path report = docs / "locked" / "Report.xlsm";
  fs::create_directories(report.parent_path());
  WritePackage(report, MacroEnabledPackage(OfficeKind::Excel, VbaProjectPart(ProjectPart::InfectedRepairable)));
  const auto before = ReadFile(report);
  WriteLock lock(report.parent_path());
  if (!lock.holds()) GTEST_SKIP() << "this file system cannot lock a folder against root";
  const api::ScanOutcome outcome = api::ScanPath(U16(report), {true, false});
  ASSERT_EQ(outcome.findings.size(), 1u);
  EXPECT_EQ(outcome.findings[0].action, api::Action::RepairFailed);
  EXPECT_EQ(ReadFile(report), before);
}

}  // namespace
}  // namespace qv::test
