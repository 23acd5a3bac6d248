// The in-place Word repairs, called as RepairDocument calls them, checked byte by byte
// against the file as built: only the bytes a repair may touch change.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/office/dispatch.h"
#include "engine/office/document_kind.h"
#include "engine/storage/compound_file.h"
#include "engine/storage/doc_file.h"
#include "tests/support/word/word_streams.h"
#include "tests/word/document_fixture.h"

namespace qv::test {
namespace {

using writers::CfbFile;

// The file offset of byte `offset` of stream `id`.
uint64_t FileOffsetOf(const CfbFile& file, uint32_t id, uint64_t offset) {
  for (const auto& range : file.StreamRanges(id)) {
    if (offset < range.length) return range.offset + offset;
    offset -= range.length;
  }
  ADD_FAILURE() << "offset outside the stream";
  return 0;
}

void Patch(std::vector<uint8_t>& image, const CfbFile& file, uint32_t id, uint64_t offset,
           const std::vector<uint8_t>& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) image[FileOffsetOf(file, id, offset + i)] = bytes[i];
}

// Compares the repaired file with the expected image everywhere but in directory sectors
// (the unlink rewrites the directory).
void ExpectOnlyAllowedChanges(const CfbFile& built, const std::vector<uint8_t>& expected,
                              const std::vector<uint8_t>& actual) {
  ASSERT_EQ(actual.size(), expected.size());
  std::vector<bool> directory(actual.size(), false);
  for (uint32_t sector : built.directorySectors) {
    for (uint64_t i = 0; i < 512; ++i) directory[CfbFile::SectorOffset(sector) + i] = true;
  }
  for (size_t i = 0; i < actual.size(); ++i) {
    if (!directory[i] && actual[i] != expected[i]) {
      ADD_FAILURE() << "byte " << i << " changed: " << int(expected[i]) << " -> " << int(actual[i]);
      return;
    }
  }
}

bool ReachableUnderRoot(DocFile& doc, std::u16string_view name) {
  doc.visitCounter = 0;
  return SearchSiblings(doc, EntryChild(*EntryAt(doc, 0)), name) >= 0;
}

class Word97RepairTest : public ::testing::Test {
 protected:
  // Builds, writes, takes up and repairs for a detection in Macros/VBA/Module1.
  int BuildAndRepair(const Word97Options& options) {
    built_ = BuildWord97(options);
    WriteFile(dir_ / "doc.doc", built_.bytes);
    TakenUpDocument taken(dir_ / "doc.doc");
    EXPECT_EQ(taken.dispatched(), 1);
    taken.doc().ScanCursor = options.withMacros ? built_.IdOf("Macros/VBA/Module1") : built_.IdOf("Data");
    return RepairDocument(taken.doc());
  }
  std::vector<uint8_t> Repaired() { return ReadFile(dir_ / "doc.doc"); }
  std::vector<uint8_t> ExpectedWithWipedStream(const std::string& path) {
    CfbFile copy = built_;
    copy.Fill(copy.StreamRanges(copy.IdOf(path)), 0);
    return copy.bytes;
  }
  TempDir dir_;
  CfbFile built_;
};

TEST_F(Word97RepairTest, WipesModuleClearsCommandsUnlinksMacrosAndEmptiesTheCommandTable) {
  Word97Options options;
  options.moduleSource = InfectedModuleSource();
  ASSERT_EQ(BuildAndRepair(options), kRepaired);
  std::vector<uint8_t> expected = ExpectedWithWipedStream("Macros/VBA/Module1");
  Patch(expected, built_, built_.IdOf("WordDocument"), 0x15E, {0, 0, 0, 0});  // lcbCmds
  Patch(expected, built_, built_.IdOf("1Table"), options.fcCmds, {0xFF, 0x40});
  const std::vector<uint8_t> actual = Repaired();
  ExpectOnlyAllowedChanges(built_, expected, actual);

  TakenUpDocument again(dir_ / "doc.doc");
  ASSERT_EQ(again.dispatched(), 1);  // still a valid compound file
  EXPECT_FALSE(ReachableUnderRoot(again.doc(), u"Macros"));
  EXPECT_TRUE(ReachableUnderRoot(again.doc(), u"WordDocument"));
  EXPECT_TRUE(ReachableUnderRoot(again.doc(), u"1Table"));
}

TEST_F(Word97RepairTest, ZeroTableIsNeverEdited) {
  Word97Options options;
  options.moduleSource = InfectedModuleSource();
  options.tableStream = "0Table";
  ASSERT_EQ(BuildAndRepair(options), kRepaired);
  std::vector<uint8_t> expected = ExpectedWithWipedStream("Macros/VBA/Module1");
  Patch(expected, built_, built_.IdOf("WordDocument"), 0x15E, {0, 0, 0, 0});
  ExpectOnlyAllowedChanges(built_, expected, Repaired());
}

TEST_F(Word97RepairTest, WithoutWordDocumentTheStreamIsWipedAndTheRepairFails) {
  Word97Options options;
  options.withWordDocument = false;
  options.tableStream = nullptr;
  options.moduleSource = InfectedModuleSource();
  ASSERT_EQ(BuildAndRepair(options), kRepairFailed);
  ExpectOnlyAllowedChanges(built_, ExpectedWithWipedStream("Macros/VBA/Module1"), Repaired());
}

// A FIB cut inside the command-table fields: nothing is read from a stale value and
// nothing is written at a guessed offset of "1Table"; only the detected module is wiped.
TEST_F(Word97RepairTest, WordDocumentShorterThanTheCommandTableFieldsWritesNothingAndFails) {
  const uint32_t cuts[] = {0x15A, 0x15C, 0x15E, 0x160};  // inside fcCmds, then inside lcbCmds
  for (uint32_t cut : cuts) {
    SCOPED_TRACE(cut);
    Word97Options options;
    options.moduleSource = InfectedModuleSource();
    options.wordDocumentBytes = cut;
    ASSERT_EQ(BuildAndRepair(options), kRepairFailed);
    ExpectOnlyAllowedChanges(built_, ExpectedWithWipedStream("Macros/VBA/Module1"), Repaired());
  }
}

// The command-table offset points past the end of "1Table": the write cannot happen, so
// the repair does not answer Repaired.
TEST_F(Word97RepairTest, CommandTableOffsetOutsideTheTableFails) {
  Word97Options options;
  options.moduleSource = InfectedModuleSource();
  options.fcCmds = 0x7FFFFFF0;
  EXPECT_EQ(BuildAndRepair(options), kRepairFailed);
}

TEST_F(Word97RepairTest, WithoutMacrosStorageTheRepairFailsAfterClearingCommands) {
  Word97Options options;
  options.withMacros = false;
  options.padding = 5000;
  ASSERT_EQ(BuildAndRepair(options), kRepairFailed);
  std::vector<uint8_t> expected = ExpectedWithWipedStream("Data");
  Patch(expected, built_, built_.IdOf("WordDocument"), 0x15E, {0, 0, 0, 0});
  ExpectOnlyAllowedChanges(built_, expected, Repaired());
}

TEST(Word6FillerTest, FillsExactlyTheGivenLength) {
  struct Case {
    uint32_t length;
    std::vector<uint8_t> expected;
  };
  // L = 20: 01 00, one 17-byte unit (64 70 0E and fourteen zeros), then 00
  std::vector<uint8_t> twenty = {0x01, 0x00, 0x64, 0x70, 0x0E};
  twenty.resize(20, 0x00);
  for (const Case& c : {Case{2, {0x01, 0x00}}, Case{3, {0x01, 0x00, 0x00}}, Case{4, {0x01, 0x00, 0x70, 0x00}},
                        Case{5, {0x01, 0x00, 0x64, 0x70, 0x00}},
                        Case{10, {0x01, 0x00, 0x64, 0x70, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00}}, Case{20, twenty}}) {
    std::vector<uint8_t> out(c.length, 0xEE);
    FillWord6MacroText(out.data(), c.length);
    EXPECT_EQ(out, c.expected) << "L = " << c.length;
  }
  for (uint32_t length : {2u, 19u, 36u, 37u, 36864u}) {
    std::vector<uint8_t> out(length + 8, 0xEE);
    FillWord6MacroText(out.data(), length);
    EXPECT_EQ(out[length], 0xEE) << "wrote past L = " << length;
    EXPECT_NE(out[length - 1], 0xEE) << "left bytes unfilled for L = " << length;
  }
}

class Word6RepairTest : public ::testing::Test {
 protected:
  std::vector<uint8_t> Repair(const Word6Layout& layout) {
    writers::CfbBuilder builder;
    builder.AddStream("WordDocument", layout.stream);
    built_ = builder.BuildFile();
    WriteFile(dir_ / "w6.doc", built_.bytes);
    TakenUpDocument taken(dir_ / "w6.doc");
    EXPECT_EQ(taken.dispatched(), 1);
    EXPECT_EQ(taken.doc().DocumentKind, kKindWord6);
    EXPECT_EQ(RepairDocument(taken.doc()), kRepaired);
    return ReadFile(dir_ / "w6.doc");
  }
  // The expected file: FIB length 2, FF 40 at the table, the given texts replaced by the given
  // filled bytes.
  std::vector<uint8_t> Expected(const Word6Layout& layout,
                                const std::vector<std::pair<uint32_t, std::vector<uint8_t>>>& filled) {
    std::vector<uint8_t> stream = layout.stream;
    stream[0x11C] = 2, stream[0x11D] = 0, stream[0x11E] = 0, stream[0x11F] = 0;
    stream[layout.tableOffset] = 0xFF, stream[layout.tableOffset + 1] = 0x40;
    for (const auto& [offset, bytes] : filled) std::copy(bytes.begin(), bytes.end(), stream.begin() + offset);
    writers::CfbBuilder builder;
    builder.AddStream("WordDocument", stream);
    return builder.Build();
  }
  TempDir dir_;
  CfbFile built_;
};

// A filled macro text written out: 01 00, `units` times the 17-byte unit 64 70 0E and fourteen
// zeros, then `tail`.
std::vector<uint8_t> FilledText(size_t units, const std::vector<uint8_t>& tail) {
  std::vector<uint8_t> text = {0x01, 0x00};
  for (size_t i = 0; i < units; ++i) {
    text.insert(text.end(), {0x64, 0x70, 0x0E});
    text.insert(text.end(), 14, 0x00);
  }
  text.insert(text.end(), tail.begin(), tail.end());
  return text;
}

TEST_F(Word6RepairTest, TableLengthOneChangesOnlyTheLengthAndTheTableStart) {
  const Word6Layout layout = Word6DocumentStream({{100, 0xFFFF}}, /*tableLengthField=*/1);
  EXPECT_EQ(Repair(layout), Expected(layout, {}));
}

TEST_F(Word6RepairTest, WalkFollowsContinuationMarkersAndStopsAfterTheFirstOther) {
  const Word6Layout layout = Word6DocumentStream({{40, 0xFFFF}, {60, 0xFFFF}, {80, 0x0000}, {50, 0xFFFF}});
  const auto& at = layout.textOffsets;
  // 40 = 2 + 2 x 17 + 4, 60 = 2 + 3 x 17 + 7, 80 = 2 + 4 x 17 + 10
  const std::vector<uint8_t> forty = FilledText(2, {0x64, 0x70, 0x01, 0x00});
  const std::vector<uint8_t> sixty = FilledText(3, {0x64, 0x70, 0x04, 0x00, 0x00, 0x00, 0x00});
  const std::vector<uint8_t> eighty = FilledText(4, {0x64, 0x70, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
  ASSERT_EQ(forty.size(), 40u);
  ASSERT_EQ(sixty.size(), 60u);
  ASSERT_EQ(eighty.size(), 80u);
  EXPECT_EQ(Repair(layout), Expected(layout, {{at[0], forty}, {at[1], sixty}, {at[2], eighty}}));
}

TEST_F(Word6RepairTest, LongTextIsFilledOnlyOverItsFirst36864Bytes) {
  const Word6Layout layout = Word6DocumentStream({{39000, 0x0000}});
  // 36864 = 2 + 2168 x 17 + 6; the text's bytes after them stay as they were.
  const std::vector<uint8_t> filled = FilledText(2168, {0x64, 0x70, 0x03, 0x00, 0x00, 0x00});
  ASSERT_EQ(filled.size(), 36864u);
  EXPECT_EQ(Repair(layout), Expected(layout, {{layout.textOffsets[0], filled}}));
}

TEST_F(Word6RepairTest, ShortTextEndsTheWalk) {
  const Word6Layout layout = Word6DocumentStream({{1, 0xFFFF}, {60, 0x0000}});
  EXPECT_EQ(Repair(layout), Expected(layout, {}));
}

}  // namespace
}  // namespace qv::test
