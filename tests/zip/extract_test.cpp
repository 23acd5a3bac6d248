// Finding the VBA project entry of a package and extracting it to a private temporary file.
#include <gtest/gtest.h>

#include "engine/zip/open_xml.h"
#include "tests/zip/damage.h"
#include "tests/zip/package_fixture.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

class ExtractTest : public PackageTest {};

const std::vector<uint8_t> kProject = Bytes("stand-in project part, any bytes will do");

TEST_F(ExtractTest, ExtractsTheProjectIntoAPrivateFolderAndRemovesItAfterwards) {
  WritePackage(Doc(), MacroEnabledPackage(OfficeKind::Word, kProject));
  const ExtractedProject project = ExtractVbaProject(U16(Doc()));
  ASSERT_TRUE(project.found);
  EXPECT_EQ(project.entryName, "word/vbaProject.bin");
  ASSERT_FALSE(project.projectFile.empty());
  const fs::path file(Utf8(project.projectFile));
  const fs::path folder(Utf8(project.privateFolder));
  EXPECT_EQ(file.filename(), "Report.docm.bin");
  EXPECT_EQ(file.parent_path(), folder);
  EXPECT_EQ(folder.parent_path(), temp_.path());
  if (kPosixModes) EXPECT_EQ(PosixMode(folder), 0700u);
  EXPECT_EQ(ReadFile(file), kProject);

  RemoveExtractedProject(project);
  EXPECT_TRUE(Listing(temp_.path()).empty());
}

TEST_F(ExtractTest, TakesTheFirstEntryNamedVbaProjectBinInAnyCaseThatLiesInAFolder) {
  const struct {
    std::vector<std::string> names;
    std::string expected;  // empty: no project entry
  } cases[] = {
      {{"vbaProject.bin"}, ""},
      {{"vbaProject.bin", "xl/vbaProject.bin"}, "xl/vbaProject.bin"},
      {{"word/vbaProject.bin.bak", "word/vbaProject.bin", "xl/vbaProject.bin"}, "word/vbaProject.bin"},
      {{"word/VbaProject.bin"}, "word/VbaProject.bin"},  // letter case does not count
      {{"word/document.xml"}, ""},
  };
  for (const auto& c : cases) {
    std::vector<PackagePart> entries;
    for (const auto& name : c.names) entries.push_back({name, Bytes("content of " + name)});
    WritePackage(Doc(), entries);
    const ExtractedProject project = ExtractVbaProject(U16(Doc()));
    EXPECT_EQ(project.found, !c.expected.empty()) << c.names.front();
    EXPECT_EQ(project.entryName, c.expected);
    if (project.found) {
      EXPECT_EQ(ReadFile(Utf8(project.projectFile)), Bytes("content of " + c.expected));
      RemoveExtractedProject(project);
    } else {
      EXPECT_TRUE(project.projectFile.empty());
    }
    EXPECT_TRUE(Listing(temp_.path()).empty()) << c.names.front();
  }
}

TEST_F(ExtractTest, AnythingButAReadablePackageIsNotAProject) {
  WriteFile(Doc("plain.txt"), std::string("just text"));
  WriteFile(Doc("fake.docm"), std::string("PK\x03\x04 then nothing a zip reader could use"));
  WriteFile(Doc("empty.docm"), std::vector<uint8_t>{});
  WriteFile(Doc("compound.doc"), CompoundSignatureOnly());
  for (const std::string name : {"plain.txt", "fake.docm", "empty.docm", "compound.doc", "missing.docm"}) {
    EXPECT_FALSE(ExtractVbaProject(U16(Doc(name))).found) << name;
  }
  EXPECT_FALSE(ExtractVbaProject(U16(docs_.path())).found) << "a folder";
  EXPECT_TRUE(Listing(temp_.path()).empty());
}

TEST_F(ExtractTest, ADamagedProjectEntryLeavesNothingToScanAndNothingBehind) {
  for (const auto& c : AllDamages()) {
    auto entries = MacroEnabledPackage(OfficeKind::Excel, kProject);
    for (auto& entry : entries) {
      if (entry.name == "xl/vbaProject.bin") entry = Damaged(entry, c.damage);
    }
    WritePackage(Doc("Book.xlsm"), entries);
    const ExtractedProject project = ExtractVbaProject(U16(Doc("Book.xlsm")));
    EXPECT_TRUE(project.found) << c.what;
    EXPECT_TRUE(project.projectFile.empty()) << c.what;
    EXPECT_TRUE(Listing(temp_.path()).empty()) << c.what;
  }
}

TEST_F(ExtractTest, AFileOrLinkAtTheSharedTemporaryNameIsNeitherFollowedNorOverwritten) {
  WritePackage(Doc(), MacroEnabledPackage(OfficeKind::Word, kProject));
  const fs::path victim = docs_ / "victim.txt";
  WriteFile(victim, std::string("must stay"));
  const struct {
    const char* what;
    bool link;
  } cases[] = {{"a file", false}, {"a symbolic link", true}};
  for (const auto& c : cases) {
    const fs::path shared = temp_ / "Report.docm.bin";  // the name every user's scan would pick
    if (c.link) {
      if (!kSymlinksInTests) GTEST_SKIP() << "the tests cannot make links on this platform (the file case ran)";
      fs::create_symlink(victim, shared);
    } else {
      WriteFile(shared, std::string("someone else's file"));
    }
    const ExtractedProject project = ExtractVbaProject(U16(Doc()));
    ASSERT_FALSE(project.projectFile.empty()) << c.what;
    EXPECT_NE(fs::path(Utf8(project.projectFile)), shared) << c.what;
    EXPECT_EQ(ReadFile(Utf8(project.projectFile)), kProject) << c.what;
    RemoveExtractedProject(project);
    EXPECT_EQ(ReadFile(victim), Bytes("must stay")) << c.what;
    EXPECT_EQ(Listing(temp_.path()), std::set<std::string>{"Report.docm.bin"}) << c.what;
    if (!c.link) {
      EXPECT_EQ(ReadFile(shared), Bytes("someone else's file"));
    }
    fs::remove(shared);
  }
}

}  // namespace
}  // namespace qv::test
