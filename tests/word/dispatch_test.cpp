// Recognition of the format inside a compound document, and the memory image decision.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/office/dispatch.h"
#include "engine/office/document_kind.h"
#include "engine/storage/doc_file.h"
#include "tests/support/word/word_streams.h"
#include "tests/word/document_fixture.h"

namespace qv::test {
namespace {

using writers::CfbBuilder;

// A stream starting with a BOF-like record whose version word (offset 4) is `version`.
std::vector<uint8_t> VersionStream(uint16_t version) {
  std::vector<uint8_t> s = {0x09, 0x08, 0x10, 0x00,  // record type, length
                            static_cast<uint8_t>(version), static_cast<uint8_t>(version >> 8)};
  s.resize(64, 0);
  return s;
}

struct KindCase {
  const char* name;
  std::vector<std::pair<std::string, std::vector<uint8_t>>> streams;
  int32_t kind;
};

class DetectKindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(DetectKindTest, ClassifiesByTheFirstStreamFound) {
  CfbBuilder builder;
  for (const auto& [path, bytes] : GetParam().streams) builder.AddStream(path, bytes);
  TempDir dir;
  WriteFile(dir / "doc", builder.Build());
  TakenUpDocument taken(dir / "doc");
  ASSERT_EQ(taken.dispatched(), 1);
  EXPECT_EQ(taken.doc().DocumentKind, GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DetectKindTest,
    ::testing::Values(
        KindCase{"Word97", {{"WordDocument", Word97DocumentStream(0x200, 0x40)}}, kKindWord97},
        KindCase{"Word6", {{"WordDocument", Word97DocumentStream(0, 0, 4096, 0xA5DC)}}, kKindWord6},
        KindCase{"Word95Ident", {{"WordDocument", Word97DocumentStream(0, 0, 4096, 0x8098)}}, kKindWord6},
        KindCase{"UnexpectedWordIdent", {{"WordDocument", Word97DocumentStream(0, 0, 4096, 0xA5EB)}}, kKindUnknown},
        KindCase{"Excel5", {{"Book", VersionStream(0x0500)}}, kKindExcel5},
        KindCase{"Excel97", {{"Workbook", VersionStream(0x0600)}}, kKindExcel97},
        KindCase{"BookBeforeWorkbook", {{"Workbook", VersionStream(0x0600)}, {"Book", VersionStream(0x0500)}}, kKindExcel5},
        KindCase{"UnexpectedBiffVersion", {{"Workbook", VersionStream(0x0700)}}, kKindUnknown},
        KindCase{"WordWithEmbeddedWorkbook",
                 {{"WordDocument", Word97DocumentStream(0x200, 0x40)}, {"ObjectPool/_1/Workbook", VersionStream(0x0600)}},
                 kKindWord97},
        KindCase{"WorkbookInASubStorage", {{"Sub/Workbook", VersionStream(0x0600)}}, kKindExcel97},
        KindCase{"PropData", {{"PropData", VersionStream(0x6902)}}, kKindPropData},
        KindCase{"PropDataOtherVersion", {{"PropData", VersionStream(0x6903)}}, kKindUnknown},
        // Presentations and encrypted packages are kinds of their own: their projects are
        // reached through passes of their own, not through the Word repair.
        KindCase{"Presentation", {{"PowerPoint Document", VersionStream(0x03E8)}}, kKindPresentation},
        KindCase{"EncryptedPackage",
                 {{"EncryptionInfo", VersionStream(0x0004)}, {"EncryptedPackage", VersionStream(0)}},
                 kKindEncryptedPackage},
        KindCase{"EncryptedPackageWithoutItsInfo", {{"EncryptedPackage", VersionStream(0)}}, kKindWord97}),
    [](const ::testing::TestParamInfo<KindCase>& info) { return std::string(info.param.name); });

TEST(DispatchTest, DocumentsUpTo2MiBAreReadIntoMemory) {
  CfbBuilder builder;
  builder.AddStream("WordDocument", Word97DocumentStream(0x200, 0x40));
  std::vector<uint8_t> bytes = builder.Build();
  TempDir dir;
  bytes.resize(2097152, 0);  // trailing bytes past the last sector are allowed
  WriteFile(dir / "exact", bytes);
  bytes.push_back(0);
  WriteFile(dir / "larger", bytes);
  TakenUpDocument exact(dir / "exact");
  TakenUpDocument larger(dir / "larger");
  ASSERT_EQ(exact.dispatched(), 1);
  ASSERT_EQ(larger.dispatched(), 1);
  EXPECT_EQ(exact.doc().memoryMode, 1u);
  EXPECT_NE(exact.doc().memoryImage, nullptr);
  EXPECT_EQ(larger.doc().memoryMode, 0u);
  EXPECT_EQ(larger.doc().memoryImage, nullptr);
  EXPECT_EQ(exact.doc().DocumentKind, kKindWord97);
  EXPECT_EQ(larger.doc().DocumentKind, kKindWord97);
}

// The "PropData" repair: every stream below "VBA" zero-filled and "VBA" out of the tree, and
// an answer that says whether all of that was written.
struct PropDataRepairCase {
  const char* name;
  bool withVba;
  bool moduleChainLeavesTheFile;  // the module's second sector lies past the end of the file
  int expected;
};

class PropDataRepairTest : public ::testing::TestWithParam<PropDataRepairCase> {};

TEST_P(PropDataRepairTest, AnswersRepairedOnlyWhenEveryWriteLanded) {
  const PropDataRepairCase& c = GetParam();
  CfbBuilder builder;
  builder.AddStream("PropData", VersionStream(0x6902));
  const std::string folder = c.withVba ? "VBA/" : "Other/";
  builder.AddStream(folder + "dir", std::vector<uint8_t>(300, 0x11));
  builder.AddStream(folder + "Module1", std::vector<uint8_t>(5000, 0x22));  // regular sectors
  writers::CfbFile built = builder.BuildFile();
  const uint32_t module = built.IdOf(folder + "Module1");
  if (c.moduleChainLeavesTheFile) {
    const uint32_t pastTheEnd = static_cast<uint32_t>(built.bytes.size() / 512) + 8;
    ASSERT_LT(pastTheEnd, 128u) << "still inside the first FAT sector";
    built.SetFatEntry(built.entries[module].sectors[0], pastTheEnd);
  }
  TempDir dir;
  WriteFile(dir / "doc.ppt", built.bytes);
  int answer = 0;
  {
    TakenUpDocument taken(dir / "doc.ppt");
    ASSERT_EQ(taken.dispatched(), 1);
    ASSERT_EQ(taken.doc().DocumentKind, kKindPropData);
    taken.doc().ScanCursor = module;
    answer = RepairDocument(taken.doc());
  }
  EXPECT_EQ(answer, c.expected);
  const std::vector<uint8_t> after = ReadFile(dir / "doc.ppt");
  ASSERT_EQ(after.size(), built.bytes.size());
  const auto firstSector = built.StreamRanges(module).front();
  const bool firstZeroed = std::all_of(after.begin() + static_cast<std::ptrdiff_t>(firstSector.offset),
                                       after.begin() + static_cast<std::ptrdiff_t>(firstSector.offset + firstSector.length),
                                       [](uint8_t b) { return b == 0; });
  EXPECT_EQ(firstZeroed, c.withVba) << "the module's first sector is wiped exactly when it is below VBA";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PropDataRepairTest,
    ::testing::Values(PropDataRepairCase{"WholeProject", true, false, kRepaired},
                      PropDataRepairCase{"ModuleChainLeavesTheFile", true, true, kRepairFailed},
                      PropDataRepairCase{"NoVbaStorage", false, false, kRepairFailed}),
    [](const ::testing::TestParamInfo<PropDataRepairCase>& info) { return std::string(info.param.name); });

TEST(DispatchTest, UnusableCompoundFilesAreLeftAlone) {
  TempDir dir;
  WriteFile(dir / "gate-only", CompoundSignatureOnly());
  EXPECT_EQ(TakenUpDocument(dir / "gate-only").dispatched(), 0);
}

}  // namespace
}  // namespace qv::test
