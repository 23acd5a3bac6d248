// Rebuilding a package around a processed project file, with a stand-in project part.
#include "engine/zip/package_rebuild.h"

#include <gtest/gtest.h>

#include "engine/common/quarantine.h"
#include "tests/support/zip/write_lock.h"
#include "tests/zip/damage.h"
#include "tests/zip/package_fixture.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;
using zip::RebuildOutcome;

const std::vector<uint8_t> kInfected = Bytes("stand-in project part as the package holds it");
const std::vector<uint8_t> kRepaired = Bytes("stand-in project part after the repair wrote into it");

class RebuildTest : public PackageTest {
 protected:
  void TearDown() override {
    if (extracted_.found) RemoveExtractedProject(extracted_);
    PackageTest::TearDown();
  }

  // Writes the package as the document and extracts its project, as a scan call would.
  void Prepare(const std::vector<PackagePart>& entries, const std::string& name = "Report.docm") {
    document_ = Doc(name);
    WritePackage(document_, entries);
    original_ = ReadFile(document_);
    extracted_ = ExtractVbaProject(U16(document_));
    ASSERT_FALSE(extracted_.projectFile.empty());
  }
  // What the walk did to the project file.
  void RepairProject() { WriteFile(fs::path(Utf8(extracted_.projectFile)), kRepaired); }
  void DeleteProject() { fs::remove(Utf8(extracted_.projectFile)); }

  RebuildOutcome Rebuild() { return zip::RebuildPackage(QuarantineDir(), U16(document_), extracted_); }

  // The document is exactly as it was, nothing was left beside it and nothing quarantined.
  void ExpectUntouched(const std::string& context) {
    EXPECT_EQ(ReadFile(document_), original_) << context;
    EXPECT_EQ(Listing(docs_.path()), std::set<std::string>{document_.filename().string()}) << context;
    EXPECT_TRUE(QuarantineListing(quarantine_.path()).empty()) << context;
  }

  fs::path document_;
  std::vector<uint8_t> original_;
  ExtractedProject extracted_;
};

class RebuildKindTest : public RebuildTest, public ::testing::WithParamInterface<OfficeKind> {};

TEST_P(RebuildKindTest, ReplacesTheDocumentKeepingEveryOtherEntryAndPuttingTheProjectLast) {
  const auto entries = MacroEnabledPackage(GetParam(), kInfected);
  const std::string projectName = ProjectEntryName(GetParam());
  Prepare(entries);
  RepairProject();
  ASSERT_EQ(Rebuild(), RebuildOutcome::Replaced);

  const auto rebuilt = ReadPackage(document_);
  ASSERT_EQ(EntryNames(rebuilt), RebuiltNames(entries, projectName, true));
  for (const auto& entry : rebuilt) {
    EXPECT_TRUE(entry.intact) << entry.name;
    const bool archive = entry.name.ends_with(".zip");
    EXPECT_EQ(entry.method, archive ? 0 : 8) << entry.name;
  }
  for (const auto& entry : entries) {
    if (entry.name == projectName) continue;
    EXPECT_EQ(FindEntry(rebuilt, entry.name)->data, entry.data) << entry.name;
  }
  EXPECT_EQ(rebuilt.back().data, kRepaired);

  // nothing beside the document; the quarantine holds the whole original document
  EXPECT_EQ(Listing(docs_.path()), std::set<std::string>{"Report.docm"});
  const fs::path copy = quarantine_ / "Report.docm.vir";
  ASSERT_TRUE(Exists(copy));
  const fs::path restored = docs_ / "restored.docm";
  ASSERT_EQ(RestoreQuarantineCopy(U16(copy), U16(restored)), 1);
  EXPECT_EQ(ReadFile(restored), original_);
}

INSTANTIATE_TEST_SUITE_P(Kinds, RebuildKindTest,
                         ::testing::Values(OfficeKind::Word, OfficeKind::Excel, OfficeKind::PowerPoint));

TEST_F(RebuildTest, AProjectDeletedByTheWalkLeavesThePackageWithoutItAndNothingElseMissing) {
  const auto entries = MacroEnabledPackage(OfficeKind::Word, kInfected);
  Prepare(entries);
  DeleteProject();
  ASSERT_EQ(Rebuild(), RebuildOutcome::Replaced);
  const auto rebuilt = ReadPackage(document_);
  EXPECT_EQ(EntryNames(rebuilt), RebuiltNames(entries, "word/vbaProject.bin", false));
  for (const auto& entry : rebuilt) EXPECT_TRUE(entry.intact) << entry.name;
  EXPECT_TRUE(Exists(quarantine_ / "Report.docm.vir"));
}

TEST_F(RebuildTest, AnUnchangedProjectLeavesTheDocumentAlone) {
  Prepare(MacroEnabledPackage(OfficeKind::Excel, kInfected), "Book.xlsm");
  EXPECT_EQ(Rebuild(), RebuildOutcome::NothingToDo);
  ExpectUntouched("project as extracted");
}

TEST_F(RebuildTest, EntriesContainingTheProjectNameAreLeftOutAndOtherNamesKeptByteForByte) {
  auto entries = MacroEnabledPackage(OfficeKind::Word, kInfected);
  entries.push_back({"word/vbaProject.bin.bak", Bytes("an old copy of the project")});
  entries.push_back({"word/media/图像 ü.xml", Bytes("a part with a non-ASCII name")});
  Prepare(entries);
  RepairProject();
  ASSERT_EQ(Rebuild(), RebuildOutcome::Replaced);
  const auto rebuilt = ReadPackage(document_);
  EXPECT_EQ(FindEntry(rebuilt, "word/vbaProject.bin.bak"), nullptr);
  EXPECT_NE(FindEntry(rebuilt, "word/_rels/vbaProject.bin.rels"), nullptr);
  const auto names = EntryNames(rebuilt);
  EXPECT_EQ(std::count(names.begin(), names.end(), "word/vbaProject.bin"), 1);
  EXPECT_EQ(rebuilt.back().data, kRepaired);
  const StoredEntry* wide = FindEntry(rebuilt, "word/media/图像 ü.xml");
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->flag & 0x0800, 0x0800) << "non-ASCII names are marked as UTF-8";
  EXPECT_EQ(FindEntry(rebuilt, "docProps/core.xml")->flag & 0x0800, 0);
}

// Two project parts: which one the rebuilt package should keep cannot be told, so the
// package is not rebuilt, whatever the letter case of the second name.
TEST_F(RebuildTest, APackageWithASecondProjectPartIsNotRebuilt) {
  for (const char* second : {"word/vbaProject.bin", "WORD/VBAPROJECT.BIN", "xl/vbaProject.bin"}) {
    SCOPED_TRACE(second);
    auto entries = MacroEnabledPackage(OfficeKind::Word, kInfected);
    entries.push_back({second, Bytes("a second project part")});
    Prepare(entries);
    RepairProject();
    EXPECT_EQ(Rebuild(), RebuildOutcome::Abandoned);
    ExpectUntouched(second);
    RemoveExtractedProject(extracted_);
  }
}

TEST_F(RebuildTest, AFileAlreadyNamedLikeTheRebuiltPackageIsNotTouched) {
  Prepare(MacroEnabledPackage(OfficeKind::Word, kInfected));
  const fs::path taken = docs_ / "Report.docm.bin";
  WriteFile(taken, std::string("the user's own file"));
  if (kSymlinksInTests) {
    fs::create_symlink(docs_ / "elsewhere", docs_ / "Report.docm(2).bin");
  } else {
    WriteFile(docs_ / "Report.docm(2).bin", std::string("another file of the user's"));
  }
  RepairProject();
  ASSERT_EQ(Rebuild(), RebuildOutcome::Replaced);
  EXPECT_EQ(ReadFile(taken), Bytes("the user's own file"));
  EXPECT_FALSE(Exists(docs_ / "elsewhere"));
  EXPECT_EQ(Listing(docs_.path()), (std::set<std::string>{"Report.docm", "Report.docm.bin", "Report.docm(2).bin"}));
  EXPECT_EQ(ReadPackage(document_).back().data, kRepaired);
}

TEST_F(RebuildTest, AnEntryThatCannotBeReadBackAbandonsTheRebuild) {
  for (const auto& c : AllDamages()) {
    auto entries = MacroEnabledPackage(OfficeKind::Word, kInfected);
    for (auto& entry : entries) {
      if (entry.name == "word/document.xml") entry = Damaged(entry, c.damage);
    }
    Prepare(entries);
    RepairProject();
    EXPECT_EQ(Rebuild(), RebuildOutcome::Abandoned) << c.what;
    ExpectUntouched(c.what);
    RemoveExtractedProject(extracted_);
    extracted_ = {};
  }
}

TEST_F(RebuildTest, AFolderThatRefusesTheRebuiltPackageOrTheCopyLeavesTheDocumentAsItWas) {
  const struct {
    const char* what;
    const TempDir& folder;
  } cases[] = {{"the document's folder refuses new files", docs_},
               {"the quarantine refuses the copy of the document", quarantine_}};
  for (const auto& c : cases) {
    Prepare(MacroEnabledPackage(OfficeKind::Word, kInfected));
    RepairProject();
    {
      WriteLock lock(c.folder.path());
      if (!lock.holds()) GTEST_SKIP() << "this file system lets the process write into any folder";
      EXPECT_EQ(Rebuild(), RebuildOutcome::Abandoned) << c.what;
    }
    ExpectUntouched(c.what);
    RemoveExtractedProject(extracted_);
    extracted_ = {};
  }
}

TEST_F(RebuildTest, ADocumentThatCannotBeReplacedStaysAndTheRebuiltFileGoes) {
  Prepare(MacroEnabledPackage(OfficeKind::Word, kInfected));
  RepairProject();
  {
    WriteLock lock(document_);
    if (!lock.holds()) GTEST_SKIP() << "the document cannot be made unreplaceable here";
    EXPECT_EQ(Rebuild(), RebuildOutcome::Abandoned);
  }
  EXPECT_EQ(ReadFile(document_), original_);
  EXPECT_EQ(Listing(docs_.path()), std::set<std::string>{"Report.docm"});
}

}  // namespace
}  // namespace qv::test
