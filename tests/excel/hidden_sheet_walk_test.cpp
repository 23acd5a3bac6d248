// The hidden-sheet walk over built workbook streams, with a judge that records what it is
// given and which sheet the table names at that moment.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/office/excel_hidden_sheets.h"
#include "engine/storage/doc_file.h"
#include "tests/support/biff/record_chain.h"

namespace qv::test {
namespace {

using namespace test::biff;
using namespace writers::biff;

struct Judged {
  Bytes formulas;
  int32_t ordinal = 0;
  std::u16string name;  // the table's name for the ordinal during the call
  bool operator==(const Judged&) const = default;
};

void PrintTo(const Judged& j, std::ostream* os) {
  *os << "{ordinal " << j.ordinal << ", " << j.formulas.size() << " bytes, name of " << j.name.size() << " units}";
}

std::u16string SlotName(const DocFile& doc, int32_t ordinal) {
  return std::u16string(doc.HiddenSheetTable[HiddenSheetSlot(ordinal)].name);
}

class RecordingJudge final : public FormulaJudge {
 public:
  explicit RecordingJudge(const DocFile& doc) : doc_(doc) {}
  void Judge(const uint8_t* formulas, uint32_t length) override {
    calls.push_back({Bytes(formulas, formulas + length), doc_.HiddenSheetOrdinal,
                     SlotName(doc_, doc_.HiddenSheetOrdinal)});
  }
  std::vector<Judged> calls;

 private:
  const DocFile& doc_;
};

struct WalkResult {
  std::vector<Judged> calls;
  int32_t ordinals = 0;
  std::unique_ptr<DocFile> doc;
};

WalkResult Walk(const Bytes& stream) {
  WalkResult result{{}, 0, std::make_unique<DocFile>()};
  // The visit map and the stream are exactly as large as they must be, for AddressSanitizer.
  std::vector<uint8_t> visitMap((stream.size() + 7) / 8);
  auto copy = std::make_unique<uint8_t[]>(stream.size());
  std::copy(stream.begin(), stream.end(), copy.get());
  RecordingJudge judge(*result.doc);
  WalkHiddenSheets(*result.doc, ByteReader(copy.get(), stream.size()), visitMap.data(), judge);
  result.calls = judge.calls;
  result.ordinals = result.doc->HiddenSheetOrdinal;
  return result;
}

Bytes Tokens(size_t size, uint8_t seed) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
  return bytes;
}
std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Sheet HiddenMacro(std::u16string name, std::vector<Bytes> records, uint8_t hsState = kHidden) {
  return Sheet{.name = std::move(name), .hsState = hsState, .dt = kMacroSheet, .records = std::move(records)};
}

struct WalkCase {
  const char* title;
  Workbook book;
  std::vector<Judged> expected;
  int32_t ordinals;
};

const Bytes kHalt = StringToken("=HALT()");
const Bytes kRun = StringToken("=RUN(Macro2!R1C1)");

std::vector<WalkCase> WalkCases() {
  return {
      {"a visible macro sheet is not judged",
       {.sheets = {{.name = u"Macro1", .dt = kMacroSheet, .records = {Formula(kHalt)}}}}, {}, 0},
      {"a hidden macro sheet is judged on its formulas",
       {.sheets = {HiddenMacro(u"Macro1", {Formula(kHalt), Number(1, 1, 2.0), Formula(kRun)})}},
       {{Cat({kHalt, kRun}), 0, u"Macro1"}}, 1},
      {"a very hidden macro sheet with a 16-bit name is judged",
       {.sheets = {{.name = u"宏表一", .wideName = true, .hsState = kVeryHidden, .dt = kMacroSheet,
                    .records = {Formula(kHalt)}}}},
       {{kHalt, 0, u"宏表一"}}, 1},
      {"a hidden worksheet is judged; the reserved bits of hsState do not matter",
       {.sheets = {{.name = u"Data", .hsState = 0xFD, .dt = kWorksheet, .records = {Formula(kRun)}}}},
       {{kRun, 0, u"Data"}}, 1},
      {"hidden charts and module sheets take no ordinal and are not judged",
       {.sheets = {{.name = u"Chart1", .hsState = kHidden, .dt = kChart, .records = {Formula(kHalt)}},
                   {.name = u"Module1", .hsState = kVeryHidden, .dt = kVbaModule, .records = {Formula(kHalt)}},
                   HiddenMacro(u"Macro1", {Formula(kRun)})}},
       {{kRun, 0, u"Macro1"}}, 1},
      {"a hidden sheet without formulas takes an ordinal but is not judged",
       {.sheets = {HiddenMacro(u"Empty", {Number(0, 0, 1.0)}), HiddenMacro(u"Macro2", {Formula(kHalt)})}},
       {{kHalt, 1, u"Macro2"}}, 2},
      {"a short sheet after a long one is judged on its own bytes",
       {.sheets = {HiddenMacro(u"Long", {Formula(Tokens(900, 1)), Formula(Tokens(700, 2))}),
                   HiddenMacro(u"Short", {Formula(Tokens(10, 3))})}},
       {{Cat({Tokens(900, 1), Tokens(700, 2)}), 0, u"Long"}, {Tokens(10, 3), 1, u"Short"}}, 2},
      {"formulas are gathered while the total stays below 16,384 bytes",
       {.sheets = {HiddenMacro(u"Big", {Formula(Tokens(8000, 1)), Formula(Tokens(8000, 2)),
                                         Formula(Tokens(383, 3)), Formula(Tokens(1, 4))})}},
       {{Cat({Tokens(8000, 1), Tokens(8000, 2), Tokens(383, 3)}), 0, u"Big"}}, 1},
      {"no formula after the first one that reaches the limit is gathered",
       {.sheets = {HiddenMacro(u"Big", {Formula(Tokens(8000, 1)), Formula(Tokens(8000, 2)),
                                         Formula(Tokens(384, 3)), Formula(Tokens(3, 4))})}},
       {{Cat({Tokens(8000, 1), Tokens(8000, 2)}), 0, u"Big"}}, 1},
      {"a Formula whose cce runs past its record is skipped, the ones after it are gathered",
       {.sheets = {HiddenMacro(u"Macro1", {Formula(kHalt, 0x4000), Formula(kRun)})}},
       {{kRun, 0, u"Macro1"}}, 1},
      {"a sheet whose lbPlyPos does not lead to a BOF gives its name but nothing to judge",
       {.sheets = {{.name = u"Lost", .hsState = kHidden, .dt = kMacroSheet, .records = {Formula(kHalt)},
                    .position = 0xFFFFFF00},
                   HiddenMacro(u"Macro2", {Formula(kRun)})}},
       {{kRun, 1, u"Macro2"}}, 2},
      {"only the globals substream is searched for sheets",
       {.sheets = {{.name = u"Sheet1", .records = {BoundSheet8(0, kHidden, kMacroSheet, u"Inner", false)}}}},
       {}, 0},
  };
}

TEST(HiddenSheetWalk, JudgesEachHiddenFormulaSheetOnItsOwnBytes) {
  for (const auto& c : WalkCases()) {
    SCOPED_TRACE(c.title);
    const WalkResult result = Walk(BuildWorkbook(c.book).stream);
    EXPECT_EQ(result.calls, c.expected);
    EXPECT_EQ(result.ordinals, c.ordinals);
  }
}

TEST(HiddenSheetWalk, SheetsThatShareOneSubstreamHaveItJudgedOnce) {
  Workbook book;
  book.sheets = {HiddenMacro(u"First", {Formula(kHalt)}), HiddenMacro(u"Twin", {Formula(kRun)})};
  // The twin's lbPlyPos leads to the first sheet's BOF (the offset is known once laid out).
  book.sheets[1].position = BuildWorkbook(book).sheetBofAt[0];
  const WalkResult result = Walk(BuildWorkbook(book).stream);
  EXPECT_EQ(result.calls, (std::vector<Judged>{{kHalt, 0, u"First"}}));
  EXPECT_EQ(result.ordinals, 2);
  EXPECT_EQ(SlotName(*result.doc, 1), u"Twin");
}

TEST(HiddenSheetWalk, TheTableKeepsEveryHiddenSheetsNameAndOrdinal) {
  Workbook book;
  book.sheets = {HiddenMacro(u"Macro1", {}), {.name = u"Visible"}, HiddenMacro(u"Macro2", {}, kVeryHidden)};
  const WalkResult result = Walk(BuildWorkbook(book).stream);
  ASSERT_EQ(result.ordinals, 2);
  EXPECT_EQ(SlotName(*result.doc, 0), u"Macro1");
  EXPECT_EQ(result.doc->HiddenSheetTable[0].ordinal, 0);
  EXPECT_EQ(SlotName(*result.doc, 1), u"Macro2");
  EXPECT_EQ(result.doc->HiddenSheetTable[1].ordinal, 1);
  EXPECT_EQ(result.doc->HiddenSheetTable[2].name[0], 0);
}

TEST(HiddenSheetWalk, SheetsBeyondTheTableAreJudgedUnderTheLastSlot) {
  constexpr int kSheets = 300;
  Workbook book;
  for (int i = 0; i < kSheets; ++i) {
    book.sheets.push_back(HiddenMacro(Wide("M" + std::to_string(i)), {Formula(StringToken("sheet " + std::to_string(i)))}));
  }
  const WalkResult result = Walk(BuildWorkbook(book).stream);
  ASSERT_EQ(result.calls.size(), static_cast<size_t>(kSheets));
  EXPECT_EQ(result.ordinals, kSheets);
  for (int i = 0; i < kSheets; ++i) {
    const std::string digits = std::to_string(i);
    EXPECT_EQ(result.calls[i].ordinal, i);
    EXPECT_EQ(result.calls[i].formulas, StringToken("sheet " + digits));
    // During its own call every sheet is named by the slot its ordinal maps to.
    EXPECT_EQ(result.calls[i].name, Wide("M" + digits));
  }
  EXPECT_EQ(SlotName(*result.doc, 253), u"M253");
  EXPECT_EQ(SlotName(*result.doc, 254), u"M299");
  EXPECT_EQ(result.doc->HiddenSheetTable[254].ordinal, 254);
  EXPECT_EQ(HiddenSheetSlot(100000), 254u);
}

TEST(HiddenSheetWalk, AStreamCutAnywhereIsWalkedOnlyAsFarAsItsRecordsFit) {
  Workbook book;
  book.sheets = {HiddenMacro(u"Macro1", {Formula(kHalt)}), HiddenMacro(u"Macro2", {Formula(kRun)})};
  const BuiltWorkbook built = BuildWorkbook(book);
  // Cut inside the second BoundSheet8: the walk ends there, the first sheet lies beyond the
  // cut, so nothing is judged.
  const Bytes cutList(built.stream.begin(), built.stream.begin() + built.boundSheetAt[1] + 6);
  EXPECT_TRUE(Walk(cutList).calls.empty());
  EXPECT_EQ(Walk(cutList).ordinals, 1);
  // Cut inside the second sheet's only Formula: the first sheet is judged, the second not.
  const Bytes cutSheet(built.stream.begin(), built.stream.begin() + built.sheetRecordAt[1][0] + 10);
  const WalkResult result = Walk(cutSheet);
  EXPECT_EQ(result.calls, (std::vector<Judged>{{kHalt, 0, u"Macro1"}}));
  EXPECT_EQ(result.ordinals, 2);
}

}  // namespace
}  // namespace qv::test
