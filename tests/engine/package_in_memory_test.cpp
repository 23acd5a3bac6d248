// A package's VBA project part is scanned, repaired or removed in memory: the temporary
// folder is never needed and never written, and no file there is ever touched, even one
// that has the name the part is shown under.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/include/scan_engine.h"
#include "tests/support/engine/program_folder.h"
#include "tests/support/system/system.h"
#include "tests/support/zip/package_builder.h"
#include "tests/support/zip/project_part.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> Entries(const fs::path& folder) {
  std::vector<fs::path> out;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) out.push_back(entry.path());
  return out;
}

TEST(PackageInMemoryTest, PartsAreScannedAndRepairedWithoutTheTemporaryFolder) {
  struct Case {
    const char* what;
    ProjectPart part;
    bool repair;
    api::Action action;
    bool projectStays;  // the rebuilt package still has a project entry
  };
  const Case cases[] = {
      {"report only", ProjectPart::Infected, false, api::Action::Reported, true},
      {"repaired in place", ProjectPart::InfectedRepairable, true, api::Action::Repaired, true},
      {"removed from the package", ProjectPart::Infected, true, api::Action::Repaired, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ProgramFolder program;
    TempDir docs;
    const fs::path deck = docs / "Deck.pptm";
    const std::vector<uint8_t> project = VbaProjectPart(c.part);
    WritePackage(deck, MacroEnabledPackage(OfficeKind::PowerPoint, project));
    const std::vector<uint8_t> before = ReadFile(deck);

    // The name the part is shown under is taken in the temporary folder by a file of
    // the user's; it stays as it is.
    const fs::path temp = docs / "temp";
    fs::create_directories(temp);
    const fs::path decoy = temp / "Deck.pptm.bin";
    WriteFile(decoy, std::string("the user's own file"));
    ScopedEnv tmpdir(TempFolderVariable(), PathUtf8(temp).c_str());

    const api::ScanOutcome outcome = api::ScanPath(U16(deck), {c.repair, false});
    ASSERT_EQ(outcome.status, api::Status::Ran);
    ASSERT_EQ(outcome.findings.size(), 1u);
    EXPECT_EQ(outcome.findings[0].path, U16(deck));
    EXPECT_EQ(outcome.findings[0].action, c.action);
    EXPECT_EQ(Entries(temp), std::vector<fs::path>{decoy});
    EXPECT_EQ(ReadFile(decoy), Bytes("the user's own file"));

    const auto entries = ReadPackage(deck);
    const StoredEntry* stored = FindEntry(entries, ProjectEntryName(OfficeKind::PowerPoint));
    if (!c.repair) {
      EXPECT_EQ(ReadFile(deck), before);
    } else if (c.projectStays) {
      ASSERT_NE(stored, nullptr);
      EXPECT_EQ(stored->data.size(), project.size());  // repairs overwrite, never move
      EXPECT_NE(stored->data, project);
    } else {
      EXPECT_EQ(stored, nullptr);
    }
  }
}

TEST(PackageInMemoryTest, APackageIsScannedWhenThereIsNoTemporaryFolderAtAll) {
  ProgramFolder program;
  TempDir docs;
  const fs::path report = docs / "Report.docm";
  WritePackage(report, MacroEnabledPackage(OfficeKind::Word, VbaProjectPart(ProjectPart::Infected)));
  ScopedEnv tmpdir(TempFolderVariable(), PathUtf8(docs / "no such folder").c_str());
  const api::ScanOutcome outcome = api::ScanPath(U16(report), {});
  ASSERT_EQ(outcome.status, api::Status::Ran);
  ASSERT_EQ(outcome.findings.size(), 1u);
  EXPECT_EQ(outcome.findings[0].ruleName, "Macro.Test.Signature");
  EXPECT_TRUE(outcome.skipped.empty());
  EXPECT_FALSE(Exists(docs / "no such folder"));
}

}  // namespace
}  // namespace qv::test
