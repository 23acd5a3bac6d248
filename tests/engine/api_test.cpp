// The C++ API beside the exports: statuses the exports cannot tell, and one finding per
// report with the action actually taken.
#include <gtest/gtest.h>

#include "engine/include/scan_engine.h"
#include "tests/support/engine/program_folder.h"
#include "tests/support/zip/package_builder.h"
#include "tests/support/zip/project_part.h"

namespace qv::testing {
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

  for (bool repair : {false, true}) {
    for (const auto& [path, repairedAction] :
         {std::pair{report, api::Action::Repaired}, std::pair{deck, api::Action::Deleted}}) {
      const api::ScanOutcome outcome = api::ScanPath(U16(path), {repair, false});
      ASSERT_EQ(outcome.status, api::Status::Ran);
      ASSERT_EQ(outcome.findings.size(), 1u) << path << " repair " << repair;
      EXPECT_EQ(outcome.findings[0].path, U16(path));
      EXPECT_EQ(outcome.findings[0].ruleName, "Macro.Test.Signature");
      EXPECT_EQ(outcome.findings[0].action, repair ? repairedAction : api::Action::Reported);
      EXPECT_EQ(outcome.resultText, u"Macro.Test.Signature");
    }
  }
  EXPECT_STREQ(api::ActionName(api::Action::RepairFailed), "repair failed");
}

}  // namespace
}  // namespace qv::testing
