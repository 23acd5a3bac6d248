// The name rules of packages: which entry is the project, which are stored, which are left out.
#include "engine/zip/entry_rules.h"

#include <gtest/gtest.h>

namespace qv::zip {
namespace {

TEST(EntryRulesTest, ProjectEntryLiesInAFolderAndIsNamedWhateverTheCase) {
  const struct {
    const char* name;
    bool project;
  } cases[] = {
      {"word/vbaProject.bin", true},
      {"xl/vbaProject.bin", true},
      {"a/b/c/vbaProject.bin", true},
      {"/vbaProject.bin", true},            // a folder with an empty name is still a folder
      {"vbaProject.bin", false},            // archive root
      {"word/VBAPROJECT.BIN", true},        // letter case does not count
      {"WORD/vbaproject.Bin", true},
      {"word/vbaProject.bi", false},
      {"word/vbaProject.bin.bak", false},
      {"word/xvbaProject.bin", false},
      {"word/vbaProject.bin/", false},      // a folder entry of that name
      {"word\\vbaProject.bin", false},      // only '/' separates folders in a package
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsProjectEntryName(c.name), c.project) << c.name;
}

TEST(EntryRulesTest, AlreadyCompressedExtensionsAreStoredWhateverTheirCase) {
  const struct {
    const char* name;
    bool stored;
  } cases[] = {
      {"a.Z", true},       {"a.z", true},        {"media/x.zip", true}, {"X.ZIP", true},
      {"a.zoo", true},     {"a.arc", true},      {"a.lzh", true},       {"a.arj", true},
      {"a.gz", true},      {"a.TGZ", true},      {"word/document.xml", false},
      {"word/vbaProject.bin", false},            {"a.zipx", false},     {"a.tar", false},
      {"zip", false},      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsStoredByExtension(c.name), c.stored) << c.name;
}

TEST(EntryRulesTest, EntriesContainingTheProjectNameAreLeftOut) {
  const std::string project = "word/vbaProject.bin";
  const struct {
    const char* name;
    bool leftOut;
  } cases[] = {
      {"word/vbaProject.bin", true},
      {"word/vbaProject.bin.bak", true},
      {"old/word/vbaProject.bin", true},
      {"word/_rels/vbaProject.bin.rels", false},  // mentions the part, does not contain the entry name
      {"word/vbaproject.bin", false},             // letter case counts
      {"xl/vbaProject.bin", false},
      {"word/vbaData.xml", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsLeftOutOfRebuild(c.name, project), c.leftOut) << c.name;
  EXPECT_FALSE(IsLeftOutOfRebuild("word/document.xml", ""));
}

}  // namespace
}  // namespace qv::zip
