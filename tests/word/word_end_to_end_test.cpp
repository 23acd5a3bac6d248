// Infected Word documents through SCanFileVirus: report, quarantine copy, repair or
// deletion, log endings, and the copy restoring the original bytes.
#include <gtest/gtest.h>

#include "engine/include/scanvirus.h"
#include "engine/storage/compound_file.h"
#include "tests/support/ovba/module_stream.h"
#include "tests/support/vlb/vlb_builder.h"
#include "tests/support/word/word_streams.h"
#include "tests/word/document_fixture.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;
using qv::test::kTestSignatureName;

std::vector<uint8_t> Unscramble(std::vector<uint8_t> bytes) {
  for (auto& b : bytes) b ^= 0x9D;
  return bytes;
}

class WordEndToEndTest : public ::testing::Test {
 protected:
  fs::path Place(const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path path = docs_ / name;
    WriteFile(path, bytes);
    return path;
  }
  std::string LogLine(const fs::path& path, const std::string& rule, const std::string& ending) {
    return "2016-01-05 09:07:03  " + path.string() + "  " + rule + ending;
  }
  ProgramFolder program_;
  TempDir docs_;
};

class ReportOnlyTest : public WordEndToEndTest, public ::testing::WithParamInterface<int> {};

TEST_P(ReportOnlyTest, CopiesAndReportsButLeavesTheDocument) {
  Word97Options options;
  options.moduleSource = InfectedModuleSource();
  const auto original = BuildWord97(options).bytes;
  const fs::path doc = Place("Report.doc", original);
  const ExportCall call = CallScanFileVirus(U16(doc), GetParam());
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.text, U16(std::string(kTestSignatureName)));
  EXPECT_EQ(ReadFile(doc), original);
  EXPECT_EQ(Unscramble(ReadFile(program_.quarantine() / "Report.doc.vir")), original);
  EXPECT_EQ(program_.ReadLog(), LogLine(doc, kTestSignatureName, "\n"));
}

INSTANTIATE_TEST_SUITE_P(Modes, ReportOnlyTest, ::testing::Values(0, 256));

TEST_F(WordEndToEndTest, RepairModeCleansInPlaceAndTheCopyRestoresTheOriginal) {
  Word97Options options;
  options.moduleSource = InfectedModuleSource();
  const auto built = BuildWord97(options);
  const fs::path doc = Place("Report.doc", built.bytes);
  const ExportCall call = CallScanFileVirus(U16(doc), 1);
  EXPECT_EQ(call.text, U16(std::string(kTestSignatureName)));
  EXPECT_EQ(program_.ReadLog(), LogLine(doc, kTestSignatureName, " , killed\n"));

  const auto repaired = ReadFile(doc);
  ASSERT_EQ(repaired.size(), built.bytes.size());
  for (const auto& range : built.StreamRanges(built.IdOf("Macros/VBA/Module1"))) {
    for (uint64_t i = 0; i < range.length; ++i) ASSERT_EQ(repaired[range.offset + i], 0) << "module byte " << i;
  }
  // a second scan finds nothing: the module text is gone
  EXPECT_EQ(CallScanFileVirus(U16(doc), 1).text, u"");

  const fs::path restored = docs_ / "restored.doc";
  ASSERT_EQ(ReVirFile(Sv(U16(program_.quarantine() / "Report.doc.vir")), Sv(U16(restored))), 1);
  EXPECT_EQ(ReadFile(restored), built.bytes);
}

TEST_F(WordEndToEndTest, DocumentWithoutWordStreamIsDeletedAfterTheFailedRepair) {
  Word97Options options;
  options.moduleSource = InfectedModuleSource();
  options.withWordDocument = false;
  options.tableStream = nullptr;
  const auto original = BuildWord97(options).bytes;
  const fs::path doc = Place("Slides.ppt", original);
  CallScanFileVirus(U16(doc), 1);
  EXPECT_FALSE(Exists(doc));
  EXPECT_EQ(program_.ReadLog(), LogLine(doc, kTestSignatureName, " , kill failed , deleted\n"));
  EXPECT_EQ(Unscramble(ReadFile(program_.quarantine() / "Slides.ppt.vir")), original);
}

TEST_F(WordEndToEndTest, CleanDocumentIsLeftAsItWas) {
  Word97Options options;
  options.moduleSource = CleanModuleSource();
  const auto original = BuildWord97(options).bytes;
  const fs::path doc = Place("Clean.doc", original);
  const ExportCall call = CallScanFileVirus(U16(doc), 1);
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.text, u"");
  EXPECT_EQ(ReadFile(doc), original);
  EXPECT_EQ(program_.ReadLog(), "");
}

TEST_F(WordEndToEndTest, TwoRulesInOneModuleGiveTwoLinesAndOneCopy) {
  ASSERT_TRUE(qv::test::WriteLibraryBeside(program_.bin().string(), qv::test::BuildLibrary(R"(
    pattern 0x1 "QUORVANE-MACRO-TEST-SIGNATURE"
    pattern 0x2 "AutoOpen"
    rule 0x10 "Macro.First" = p(0x1)
    rule 0x20 "Macro.Second" = p(0x1) and p(0x2))")));
  Word97Options options;
  options.moduleSource = InfectedModuleSource();
  const auto original = BuildWord97(options).bytes;
  const fs::path doc = Place("Two.doc", original);
  const ExportCall call = CallScanFileVirus(U16(doc), 1);
  EXPECT_EQ(call.text, u"Macro.Second");  // the last one reported
  EXPECT_EQ(program_.ReadLog(),
            LogLine(doc, "Macro.First", " , killed\n") + LogLine(doc, "Macro.Second", " , killed\n"));
  EXPECT_EQ(Unscramble(ReadFile(program_.quarantine() / "Two.doc.vir")), original);
  EXPECT_FALSE(Exists(program_.quarantine() / "Two(2).doc.vir"));
}

TEST_F(WordEndToEndTest, FailedQuarantineCopyAbandonsTheDocumentUntouched) {
  // Every name the copy could take is occupied by a folder.
  fs::create_directories(program_.quarantine() / "Locked.doc.vir");
  for (int n = 2; n <= 1000; ++n) fs::create_directory(program_.quarantine() / ("Locked(" + std::to_string(n) + ").doc.vir"));
  Word97Options options;
  options.moduleSource = InfectedModuleSource();
  const auto original = BuildWord97(options).bytes;
  const fs::path doc = Place("Locked.doc", original);
  const ExportCall call = CallScanFileVirus(U16(doc), 1);
  EXPECT_EQ(call.text, U16(std::string(kTestSignatureName)));
  EXPECT_EQ(ReadFile(doc), original);
  EXPECT_EQ(program_.ReadLog(),
            LogLine(doc, kTestSignatureName, "\nBackup " + doc.string() + " failed,kill Abort!\n"));
}

TEST_F(WordEndToEndTest, Word6DocumentMacroTableIsEmptied) {
  const Word6Layout layout = Word6DocumentStream({{40, 0x0000}});
  writers::CfbBuilder builder;
  builder.AddStream("WordDocument", layout.stream);
  builder.AddStream("Module", qv::test::ovba::BuildModuleStream(InfectedModuleSource()).bytes);
  const auto built = builder.BuildFile();
  const fs::path doc = Place("Old.doc", built.bytes);
  CallScanFileVirus(U16(doc), 1);
  EXPECT_EQ(program_.ReadLog(), LogLine(doc, kTestSignatureName, " , killed\n"));
  const auto repaired = ReadFile(doc);
  const uint64_t table = built.StreamRanges(built.IdOf("WordDocument"))[0].offset + layout.tableOffset;
  EXPECT_EQ(repaired[table], 0xFF);
  EXPECT_EQ(repaired[table + 1], 0x40);
}

struct StartupCase {
  std::string relative;
  bool swept;
};

class StartupNamesTest : public WordEndToEndTest,
                         public ::testing::WithParamInterface<std::tuple<StartupCase, int>> {};

TEST_P(StartupNamesTest, InfectedStartupFilesAreSweptWithoutNamingAVirus) {
  const auto& [c, mode] = GetParam();
  Word97Options options;
  options.moduleSource = InfectedModuleSource();
  const fs::path doc = Place(c.relative, BuildWord97(options).bytes);
  const ExportCall call = CallScanFileVirus(U16(doc), mode);
  if (c.swept) {
    EXPECT_EQ(call.text, u"");
    EXPECT_FALSE(Exists(doc));
    EXPECT_EQ(program_.ReadLog(), "2016-01-05 09:07:03  " + doc.string() + " , deleted\n");
  } else {
    EXPECT_EQ(call.text, U16(std::string(kTestSignatureName)));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, StartupNamesTest,
    ::testing::Combine(::testing::Values(StartupCase{"XLSTART/StartUp.xls", true}, StartupCase{"XLSTART/k4.xls", true},
                                         StartupCase{"XLSTART/Book10.xls", true}, StartupCase{"XLSTART/BINV.XLS", true},
                                         StartupCase{"XLSTART/RESULTS.XLS", true},
                                         StartupCase{"xlstart/STARTUP.XLS", true},
                                         StartupCase{"XLSTART/Book2.xls", false}),
                       ::testing::Values(0, 1)));

}  // namespace
}  // namespace qv::test
