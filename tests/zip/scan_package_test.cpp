// Whole scan calls on macro-enabled packages: a VBA project part made with the compound-file
// and VBA project builders, the harmless test signature, and SCanFileVirus in repair mode.
#include <gtest/gtest.h>

#include <map>

#include "engine/common/quarantine.h"
#include "tests/support/vlb/vlb_builder.h"
#include "tests/support/zip/project_part.h"
#include "tests/support/zip/write_lock.h"
#include "tests/zip/damage.h"
#include "tests/zip/package_fixture.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> TestLibrary() {
  return test::BuildLibrary(R"(pattern 0x1 "QUORVANE-MACRO-TEST-SIGNATURE" case utf16
rule 0x1 "Macro.Test.Signature" = p(0x1))");
}

class ScanPackageTest : public PackageTest {
 protected:
  void Write(const std::vector<PackagePart>& entries, const std::string& name = "Report.docm") {
    document_ = Doc(name);
    WritePackage(document_, entries);
    original_ = ReadFile(document_);
  }
  ExportCall Scan(int mode = 1) { return CallScanFileVirus(U16(document_), mode); }

  // Nothing in the temporary folder, nothing beside the document.
  void ExpectNothingLeft(const std::string& context) {
    EXPECT_TRUE(Listing(temp_.path()).empty()) << context;
    EXPECT_EQ(Listing(docs_.path()), std::set<std::string>{document_.filename().string()}) << context;
  }
  std::set<std::string> QuarantineCopies() {
    std::set<std::string> names = QuarantineListing(program_.quarantine());
    names.erase("log.txt");
    names.erase("index.txt");  // the quarantine index, not a copy
    return names;
  }

  ProgramFolder program_{TestLibrary()};
  fs::path document_;
  std::vector<uint8_t> original_;
};

TEST_F(ScanPackageTest, ACleanProjectLeavesTheDocumentByteForByte) {
  Write(MacroEnabledPackage(OfficeKind::Word, VbaProjectPart(ProjectPart::Clean)));
  const ExportCall call = Scan();
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.text, u"");
  EXPECT_EQ(ReadFile(document_), original_);
  EXPECT_TRUE(QuarantineCopies().empty());
  ExpectNothingLeft("clean project");
}

class ScanKindTest : public ScanPackageTest, public ::testing::WithParamInterface<OfficeKind> {};

TEST_P(ScanKindTest, AnInfectedProjectIsRepairedAndThePackageRebuiltAroundIt) {
  const std::vector<uint8_t> infected = VbaProjectPart(ProjectPart::InfectedRepairable);
  auto entries = MacroEnabledPackage(GetParam(), infected);
  const std::string projectName = ProjectEntryName(GetParam());
  entries.push_back({projectName + ".bak", infected});
  Write(entries);

  const ExportCall call = Scan();
  EXPECT_EQ(call.text, u"Macro.Test.Signature");
  EXPECT_NE(program_.ReadLog().find("Macro.Test.Signature , killed"), std::string::npos);

  const auto rebuilt = ReadPackage(document_);
  ASSERT_EQ(EntryNames(rebuilt), RebuiltNames(entries, projectName, true));
  for (const auto& entry : rebuilt) {
    EXPECT_TRUE(entry.intact) << entry.name;
    EXPECT_EQ(entry.method, entry.name.ends_with(".zip") ? 0 : 8) << entry.name;
  }
  for (const auto& entry : entries) {
    if (const StoredEntry* kept = FindEntry(rebuilt, entry.name); kept != nullptr && entry.name != projectName) {
      EXPECT_EQ(kept->data, entry.data) << entry.name;
    }
  }
  EXPECT_NE(rebuilt.back().data, infected);
  EXPECT_EQ(Scan().text, u"") << "the repaired package scans clean";

  // one copy, of the whole document, made before the part was repaired: the extracted part
  // gets no second copy of its own
  EXPECT_EQ(QuarantineCopies(), std::set<std::string>{"Report.docm.vir"});
  const fs::path restored = docs_ / "restored.docm";
  ASSERT_EQ(RestoreQuarantineCopy(U16(program_.quarantine() / "Report.docm.vir"), U16(restored)), 1);
  EXPECT_EQ(ReadFile(restored), original_);
  fs::remove(restored);
  ExpectNothingLeft("repaired package");
}

INSTANTIATE_TEST_SUITE_P(Kinds, ScanKindTest,
                         ::testing::Values(OfficeKind::Word, OfficeKind::Excel, OfficeKind::PowerPoint));

TEST_F(ScanPackageTest, AProjectThatCannotBeRepairedIsTakenOutOfThePackage) {
  const auto entries = MacroEnabledPackage(OfficeKind::Excel, VbaProjectPart(ProjectPart::Infected));
  Write(entries, "Book.xlsm");
  EXPECT_EQ(Scan().text, u"Macro.Test.Signature");
  EXPECT_NE(program_.ReadLog().find(" , kill failed , deleted"), std::string::npos);
  const auto rebuilt = ReadPackage(document_);
  EXPECT_EQ(EntryNames(rebuilt), RebuiltNames(entries, "xl/vbaProject.bin", false));
  // Nothing may point at the part that is gone: office software refuses such a document.
  const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";
  const std::map<std::string, std::string> edited = {
      {"[Content_Types].xml", xml + "<Types><Default Extension=\"bin\"/></Types>"},
      {"xl/_rels/workbook.xml.rels",
       xml + "<Relationships><Relationship Id=\"rId2\" Target=\"styles.xml\"/></Relationships>"}};
  for (const auto& entry : entries) {
    const StoredEntry* kept = FindEntry(rebuilt, entry.name);
    if (kept == nullptr) continue;
    if (auto it = edited.find(entry.name); it != edited.end()) {
      EXPECT_EQ(std::string(kept->data.begin(), kept->data.end()), it->second) << entry.name;
    } else {
      EXPECT_EQ(kept->data, entry.data) << entry.name;
    }
  }
  EXPECT_TRUE(Exists(program_.quarantine() / "Book.xlsm.vir"));
  ExpectNothingLeft("project removed");
}

TEST_F(ScanPackageTest, PackagesWithoutAProjectInAFolderAreNotTouched) {
  const auto infected = VbaProjectPart(ProjectPart::Infected);
  const struct {
    const char* what;
    std::vector<PackagePart> entries;
  } cases[] = {
      {"project at the archive root", {{"[Content_Types].xml", Bytes("<Types/>")}, {"vbaProject.bin", infected}}},
      {"plain archive", {{"notes.txt", Bytes("QUORVANE-MACRO-TEST-SIGNATURE")}, {"data.gz", infected, false}}},
  };
  for (const auto& c : cases) {
    Write(c.entries);
    const ExportCall call = Scan();
    EXPECT_EQ(call.result, 1) << c.what;
    EXPECT_EQ(call.text, u"") << c.what;
    EXPECT_EQ(ReadFile(document_), original_) << c.what;
    ExpectNothingLeft(c.what);
  }
  EXPECT_TRUE(QuarantineCopies().empty());
}

TEST_F(ScanPackageTest, ReportOnlyModeNamesTheVirusAndLeavesThePackage) {
  Write(MacroEnabledPackage(OfficeKind::Word, VbaProjectPart(ProjectPart::InfectedRepairable)));
  EXPECT_EQ(Scan(0).text, u"Macro.Test.Signature");
  EXPECT_EQ(ReadFile(document_), original_);
  EXPECT_EQ(QuarantineCopies(), std::set<std::string>{"Report.docm.bin.vir"});
  ExpectNothingLeft("report only");
}

TEST_F(ScanPackageTest, WhenThePackageCannotBeRebuiltTheDocumentStaysAsItWas) {
  const auto infected = VbaProjectPart(ProjectPart::InfectedRepairable);
  {
    auto entries = MacroEnabledPackage(OfficeKind::Word, infected);
    entries[2] = Damaged(entries[2], Damage::WrongChecksum);  // word/document.xml
    Write(entries);
    EXPECT_EQ(Scan().text, u"Macro.Test.Signature");
    EXPECT_EQ(ReadFile(document_), original_) << "damaged entry";
    ExpectNothingLeft("damaged entry");
  }
  {
    Write(MacroEnabledPackage(OfficeKind::Word, infected), "Locked.docm");
    WriteLock lock(docs_.path());
    if (!lock.holds()) GTEST_SKIP() << "this file system lets the process write into any folder";
    EXPECT_EQ(Scan().text, u"Macro.Test.Signature");
    EXPECT_EQ(ReadFile(document_), original_) << "read-only folder";
    EXPECT_TRUE(Listing(temp_.path()).empty());
  }
  EXPECT_EQ(Listing(docs_.path()), (std::set<std::string>{"Locked.docm", "Report.docm"}));
}

TEST_F(ScanPackageTest, AFileOrLinkAtTheSharedTemporaryNameIsLeftAlone) {
  const fs::path victim = docs_ / "victim.txt";
  WriteFile(victim, std::string("must stay"));
  const fs::path shared = temp_ / "Report.docm.bin";
  for (const bool link : {false, true}) {
    if (link) {
      if (!kSymlinksInTests) GTEST_SKIP() << "the tests cannot make links on this platform (the file case ran)";
      fs::create_symlink(victim, shared);
    } else {
      WriteFile(shared, std::string("someone else's file"));
    }
    Write(MacroEnabledPackage(OfficeKind::Word, VbaProjectPart(ProjectPart::InfectedRepairable)));
    EXPECT_EQ(Scan().text, u"Macro.Test.Signature");
    EXPECT_NE(ReadFile(document_), original_) << "the package is still repaired";
    EXPECT_EQ(ReadFile(victim), Bytes("must stay"));
    EXPECT_EQ(Listing(temp_.path()), std::set<std::string>{"Report.docm.bin"});
    if (!link) {
      EXPECT_EQ(ReadFile(shared), Bytes("someone else's file"));
    }
    fs::remove(shared);
  }
}

}  // namespace
}  // namespace qv::test
