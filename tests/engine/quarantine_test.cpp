// The quarantine store: scrambled copies, restore, and names that never overwrite another
// document's copy.
#include <gtest/gtest.h>

#include "engine/common/quarantine.h"
#include "engine/common/work_area.h"
#include "engine/include/scanvirus.h"
#include "engine/platform/fault_injection.h"
#include "tests/support/engine/program_folder.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

// Opens `path` as the work area's current document, as the engine does before a report.
void TakeUp(WorkArea& area, const fs::path& path) {
  area.currentPath = U16(path);
  area.document = platform::File::OpenReadWrite(area.currentPath);
  ASSERT_TRUE(area.document.has_value());
  area.fileSize = static_cast<uint32_t>(area.document->Size());
}

class QuarantineTest : public ::testing::Test {
 protected:
  QuarantineTest() {
    fs::create_directories(program_.quarantine());
    area_.quarantineDir = U16(program_.quarantine().string() + "/");
  }
  int Restore(const fs::path& vir, const fs::path& dest) {
    return ReVirFile(Sv(U16(vir)), Sv(U16(dest)));
  }
  ProgramFolder program_;
  TempDir docs_;
  WorkArea area_;
};

TEST_F(QuarantineTest, CopyIsTheDocumentXorKeyAndRestoresByteForByte) {
  const std::vector<uint8_t> original = {0x0D, 0x0A, 0x1A};
  WriteFile(docs_ / "Report.doc", original);
  TakeUp(area_, docs_ / "Report.doc");
  ASSERT_TRUE(BackupToQuarantine(area_, area_.currentPath, "Macro.Test"));
  const fs::path vir = program_.quarantine() / "Report.doc.vir";
  EXPECT_EQ(ReadFile(vir), (std::vector<uint8_t>{0x0D ^ 0x9D, 0x0A ^ 0x9D, 0x1A ^ 0x9D}));
  ASSERT_EQ(Restore(vir, docs_ / "restored.doc"), 1);
  EXPECT_EQ(ReadFile(docs_ / "restored.doc"), original);
}

TEST_F(QuarantineTest, RestoreReplacesAnExistingFile) {
  WriteFile(docs_ / "a.vir", std::vector<uint8_t>{'h' ^ 0x9D, 'i' ^ 0x9D});
  WriteFile(docs_ / "dest.txt", std::string("a much longer old content"));
  ASSERT_EQ(Restore(docs_ / "a.vir", docs_ / "dest.txt"), 1);
  EXPECT_EQ(ReadFile(docs_ / "dest.txt"), (std::vector<uint8_t>{'h', 'i'}));
}

TEST_F(QuarantineTest, EmptyOrMissingCopyRestoresNothing) {
  WriteFile(docs_ / "empty.vir", std::vector<uint8_t>{});
  EXPECT_EQ(Restore(docs_ / "empty.vir", docs_ / "out1"), 0);
  EXPECT_EQ(Restore(docs_ / "missing.vir", docs_ / "out2"), 0);
  EXPECT_FALSE(Exists(docs_ / "out1"));
  EXPECT_FALSE(Exists(docs_ / "out2"));
  EXPECT_EQ(ReVirFile(nullptr, Sv(U16(docs_ / "out3"))), 0);
}

TEST_F(QuarantineTest, SameNameFromAnotherFolderGetsItsOwnCopy) {
  WriteFile(docs_ / "one" / "Report.doc", std::string("first document"));
  WriteFile(docs_ / "two" / "Report.doc", std::string("second document"));
  WriteFile(docs_ / "three" / "Report.doc", std::string("first document"));  // same bytes as one
  for (const char* folder : {"one", "two", "three"}) {
    WorkArea area;
    area.quarantineDir = area_.quarantineDir;
    TakeUp(area, docs_ / folder / "Report.doc");
    ASSERT_TRUE(BackupToQuarantine(area, area.currentPath, "Macro.Test")) << folder;
  }
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(program_.quarantine())) {
    if (entry.path().extension() == ".vir") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Report(2).doc.vir", "Report.doc.vir"}));
  EXPECT_TRUE(fs::is_empty(program_.quarantine() / "in-progress")) << "no copy is left half-made";
  ASSERT_EQ(Restore(program_.quarantine() / "Report(2).doc.vir", docs_ / "back.doc"), 1);
  EXPECT_EQ(ReadFile(docs_ / "back.doc"), ReadFile(docs_ / "two" / "Report.doc"));
  EXPECT_EQ(OriginalNameOf(u"Report(2).doc.vir"), u"Report(2).doc");
}

TEST_F(QuarantineTest, RepeatedReportsInOneCallKeepTheFirstCopy) {
  WriteFile(docs_ / "Report.doc", std::string("infected"));
  TakeUp(area_, docs_ / "Report.doc");
  ASSERT_TRUE(BackupToQuarantine(area_, area_.currentPath, "Macro.Test"));
  // a repair changes the document; the next report on it must not copy the repaired bytes
  area_.document->WriteAt(0, "repaired", 8);
  ASSERT_TRUE(BackupToQuarantine(area_, area_.currentPath, "Macro.Test"));
  ASSERT_EQ(Restore(program_.quarantine() / "Report.doc.vir", docs_ / "back.doc"), 1);
  EXPECT_EQ(ReadFile(docs_ / "back.doc"), (std::vector<uint8_t>{'i', 'n', 'f', 'e', 'c', 't', 'e', 'd'}));
  EXPECT_FALSE(Exists(program_.quarantine() / "Report(2).doc.vir"));
}

// A copy of the same bytes kept already serves again, without a new file being made (a failing
// create shows that none is tried); a copy differing only in its last byte is another
// document's. Large enough that the comparison goes piece by piece.
TEST_F(QuarantineTest, ContentKeptAlreadyIsNotCopiedAgain) {
  std::vector<uint8_t> content(100 * 1024 + 7);
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<uint8_t>(i * 31 + 7);
  std::vector<uint8_t> lastByteChanged = content;
  lastByteChanged.back() ^= 0xFF;
  WriteFile(docs_ / "first" / "Big.doc", content);
  WriteFile(docs_ / "again" / "Big.doc", content);
  WriteFile(docs_ / "other" / "Big.doc", lastByteChanged);
  TakeUp(area_, docs_ / "first" / "Big.doc");
  ASSERT_TRUE(BackupToQuarantine(area_, area_.currentPath, "Macro.Test"));

  struct Case {
    const char* folder;
    bool createsFail;
    bool backedUp;
  };
  for (const Case c : {Case{"again", true, true}, Case{"other", true, false}, Case{"other", false, true}}) {
    SCOPED_TRACE(std::string(c.folder) + (c.createsFail ? ", creating fails" : ""));
    WorkArea area;
    area.quarantineDir = area_.quarantineDir;
    TakeUp(area, docs_ / c.folder / "Big.doc");
    if (c.createsFail) {
      platform::testing::SetFaultHook([](platform::testing::FaultSite site, const std::u16string&) {
        return site == platform::testing::FaultSite::Create ? platform::testing::FaultVerdict::Fail
                                                            : platform::testing::FaultVerdict::Proceed;
      });
    }
    const bool backedUp = BackupToQuarantine(area, area.currentPath, "Macro.Test");
    platform::testing::SetFaultHook({});
    EXPECT_EQ(backedUp, c.backedUp);
  }
  EXPECT_FALSE(Exists(program_.quarantine() / "Big(3).doc.vir"));
  ASSERT_EQ(Restore(program_.quarantine() / "Big.doc.vir", docs_ / "back1.doc"), 1);
  EXPECT_EQ(ReadFile(docs_ / "back1.doc"), content);
  ASSERT_EQ(Restore(program_.quarantine() / "Big(2).doc.vir", docs_ / "back2.doc"), 1);
  EXPECT_EQ(ReadFile(docs_ / "back2.doc"), lastByteChanged);
}

TEST_F(QuarantineTest, BackupFailsWithoutContentOrFolder) {
  WriteFile(docs_ / "empty.doc", std::vector<uint8_t>{});
  TakeUp(area_, docs_ / "empty.doc");
  EXPECT_FALSE(BackupToQuarantine(area_, area_.currentPath, "Macro.Test"));
  WriteFile(docs_ / "Report.doc", std::string("x"));
  TakeUp(area_, docs_ / "Report.doc");
  area_.quarantineDir = U16((docs_ / "no-such-folder").string() + "/");
  EXPECT_FALSE(BackupToQuarantine(area_, area_.currentPath, "Macro.Test"));
}

}  // namespace
}  // namespace qv::test

namespace qv::test {
namespace {

// The name a copy restores to, shared by the command line's restore into a folder and the
// GUI's proposed name: exactly one trailing ".vir" goes, in any letter case; anything else
// keeps its whole name and shows that it was restored.
TEST(RestoreName, StripsOneTrailingVirElseMarksTheName) {
  const struct {
    std::u16string copy;
    std::u16string restored;
  } cases[] = {
      {u"report.doc.vir", u"report.doc"},
      {u"archive.tar.gz.vir", u"archive.tar.gz"},  // only ".vir" goes, the rest of the name stays
      {u"Report(2).doc.vir", u"Report(2).doc"},
      {u"REPORT.DOC.VIR", u"REPORT.DOC"},
      {u"report.doc.Vir", u"report.doc"},
      {u"报告.xls.vir", u"报告.xls"},
      {u"twice.vir.vir", u"twice.vir"},             // one extension per restore
      {u"report.doc", u"report.doc.restored"},      // picked without ".vir": never its own name
      {u"NODOT", u"NODOT.restored"},
      {u".vir", u".vir.restored"},                  // nothing before the extension
      {u"report.virus", u"report.virus.restored"},  // ".vir" must end the name
      {u"report.doc.v\u0130r", u"report.doc.v\u0130r.restored"},  // only ASCII letters fold
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::ToUtf8(c.copy));
    EXPECT_EQ(OriginalNameOf(c.copy), c.restored);
  }
}

}  // namespace
}  // namespace qv::test
