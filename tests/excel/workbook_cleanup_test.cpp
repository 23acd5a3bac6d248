// The two clean-ups on built workbook streams: every record they may change, and nothing else.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/office/excel_cleanup.h"
#include "tests/excel/workbook_expectations.h"

namespace qv::test {
namespace {

using namespace test::biff;
using namespace writers::biff;

const Bytes kHalt = StringToken("=HALT()");

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes CleanProject(Bytes stream, std::u16string_view module) {
  WorkbookImage image(stream.data(), static_cast<uint32_t>(stream.size()), nullptr);
  CleanProjectRecords(image, module);
  EXPECT_EQ(image.refusedWrites(), 0u);
  return stream;
}

struct SheetClean {
  Bytes stream;
  bool found = false;
};
SheetClean CleanSheet(Bytes stream, std::u16string_view sheet) {
  WorkbookImage image(stream.data(), static_cast<uint32_t>(stream.size()), nullptr);
  const bool found = CleanSheetRecords(image, sheet);
  EXPECT_EQ(image.refusedWrites(), 0u);
  return {stream, found};
}

// ---- CleanProjectRecords ----------------------------------------------------------------

struct ModuleCase {
  std::u16string module;
  std::u16string sheet1;
  bool wide;
  bool sheetMatches;
};

TEST(CleanProjectRecords, NeutralisesTheProjectMarksAndTheSheetNamedLikeTheModule) {
  const std::vector<ModuleCase> cases = {
      {u"Sheet1", u"Sheet1", false, true},
      {u"Sheet1", u"Sheet1", true, true},
      {u"sheet1", u"SHEET1", false, true},  // letters A-Z compared without regard to case
      {u"Sheet1", u"Sheet10", false, false},
      {u"Sheet10", u"Sheet1", false, false},  // an 8-bit name is not a prefix match either
      {u"Sheet10", u"Sheet1", true, false},
      {u"ThisWorkbook", u"Sheet1", false, false},
      {u"\u00E4", u"\u00C4", true, false},  // only A-Z are folded
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&c - cases.data()));
    const std::u16string& module = c.module;
    const BuiltWorkbook built = BuildWorkbook(ProjectWorkbook(c.sheet1, c.wide));
    const Bytes after = CleanProject(built.stream, module);
    EXPECT_TRUE(SameRecordLayout(built.stream, after));
    EXPECT_TRUE(SameStream(AfterProjectClean(built, c.sheetMatches ? std::optional<size_t>(0) : std::nullopt), after));
  }
}

TEST(CleanProjectRecords, ExpectedImageShowsTheNamedEffects) {
  // The expected image itself, checked field by field once, so that the model above is not
  // trusted blindly.
  const BuiltWorkbook built = BuildWorkbook(ProjectWorkbook());
  const Bytes after = CleanProject(built.stream, u"Sheet1");
  EXPECT_EQ(U16At(after, built.beforeSheetsAt[0]), 0x0022);  // CodeName
  EXPECT_EQ(U16At(after, built.beforeSheetsAt[1]), 0x0022);  // ObProj
  for (const size_t name : {1u, 2u}) {                     // Auto_Activate, Auto_Deactivate
    const uint32_t data = built.afterSheetsAt[name] + 4;
    EXPECT_EQ(U16At(after, data + 6), 0);
    EXPECT_EQ(U16At(after, data + 8), 0);
    EXPECT_EQ(after[data + 15], 0x06);
  }
  EXPECT_EQ(after[built.afterSheetsAt[0] + 4 + 15], 0x01);  // Auto_Open stays
  EXPECT_EQ(after[built.boundSheetAt[0] + 4 + 5], 0);
  const uint32_t window = built.sheetRecordAt[0][1];
  EXPECT_EQ(U16At(after, window), 0x023E);
  EXPECT_EQ(Bytes(after.begin() + window + 4, after.begin() + window + 22), Bytes(18, 0));
  EXPECT_EQ(ChangedRecords(built.stream, after),
            (std::vector<uint32_t>{built.beforeSheetsAt[0], built.beforeSheetsAt[1], built.boundSheetAt[0],
                                   built.afterSheetsAt[1], built.afterSheetsAt[2], window}));
}

TEST(CleanProjectRecords, ProjectRecordsOutsideTheGlobalsAreLeftAlone) {
  Workbook book;
  book.sheets = {{.name = u"Sheet2", .records = {ObProj(), CodeName("Sheet2"), BuiltinName(0x0A)}}};
  const BuiltWorkbook built = BuildWorkbook(book);
  EXPECT_EQ(CleanProject(built.stream, u"Module1"), built.stream);
}

TEST(CleanProjectRecords, AnOddSubstreamTypeInABofBecomesWorksheetAndStopsTheProjectWork) {
  Workbook book = ProjectWorkbook();
  book.beforeSheets.insert(book.beforeSheets.begin(), Bof(0x0040));  // a second BOF in the globals
  const BuiltWorkbook built = BuildWorkbook(book);
  const Bytes after = CleanProject(built.stream, u"Nothing");
  EXPECT_EQ(U16At(after, built.beforeSheetsAt[0] + 4 + 2), 0x0010);
  // Its type was not the globals type, so the records after it are not project records.
  EXPECT_EQ(ChangedRecords(built.stream, after), std::vector<uint32_t>{built.beforeSheetsAt[0]});
}

// ---- CleanSheetRecords ------------------------------------------------------------------

TEST(CleanSheetRecords, TurnsTheHiddenSheetIntoAWorksheetAndClearsFormulasAndBuiltinNames) {
  for (const bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "16-bit names" : "8-bit names");
    const BuiltWorkbook built = BuildWorkbook(ProjectWorkbook(u"Sheet1", wide));
    const SheetClean clean = CleanSheet(built.stream, u"Macro1");
    EXPECT_TRUE(clean.found);
    EXPECT_TRUE(SameRecordLayout(built.stream, clean.stream));
    EXPECT_TRUE(SameStream(AfterSheetClean(built, 1), clean.stream));
    // hsState stays: the sheet is still hidden; the BOF type's high byte is untouched.
    EXPECT_EQ(clean.stream[built.boundSheetAt[1] + 4 + 4], kHidden);
    EXPECT_EQ(U16At(clean.stream, built.sheetBofAt[1] + 4 + 2), 0x0010);
    EXPECT_EQ(U16At(clean.stream, built.sheetRecordAt[1][0]), 0x0018);
  }
}

TEST(CleanSheetRecords, TheWantedNameMustMatchExactly) {
  struct Case {
    std::vector<std::u16string> hidden;  // in sheet order
    std::u16string wanted;
    int cleaned;  // index, or -1
  };
  const std::vector<Case> cases = {
      {{u"Macro1", u"Macro12"}, u"Macro1", 0},
      {{u"Macro1", u"Macro12"}, u"Macro12", 1},
      {{u"Macro12", u"Macro1"}, u"Macro1", 1},
      {{u"Macro12", u"Macro1"}, u"Macro12", 0},
      {{u"Macro12"}, u"Macro1", -1},
      {{u"Macro1"}, u"macro1", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.wanted.begin(), c.wanted.end()) + " among " + std::to_string(c.hidden.size()));
    Workbook book;
    for (const auto& name : c.hidden) {
      book.sheets.push_back({.name = name, .hsState = kHidden, .dt = kMacroSheet, .records = {Formula(kHalt)}});
    }
    book.afterSheets = {BuiltinName(0x01)};
    const BuiltWorkbook built = BuildWorkbook(book);
    const SheetClean clean = CleanSheet(built.stream, c.wanted);
    EXPECT_EQ(clean.found, c.cleaned >= 0);
    EXPECT_TRUE(SameStream(c.cleaned >= 0 ? AfterSheetClean(built, c.cleaned) : built.stream, clean.stream));
  }
}

TEST(CleanSheetRecords, ChangesNothingWhenTheSheetCannotBeReached) {
  struct Case {
    const char* title;
    Workbook book;
    std::u16string wanted;
  };
  const Sheet visibleMacro{.name = u"Macro1", .dt = kMacroSheet, .records = {Formula(kHalt)}};
  const Sheet hiddenChart{.name = u"Macro1", .hsState = kHidden, .dt = kChart, .records = {}};
  const Sheet hidden{.name = u"Macro1", .hsState = kHidden, .dt = kMacroSheet, .records = {Formula(kHalt)}};
  const std::vector<Case> cases = {
      {"an encrypted workbook", {.beforeSheets = {FilePass()}, .sheets = {hidden}, .afterSheets = {BuiltinName(1)}},
       u"Macro1"},
      {"a visible sheet of that name", {.sheets = {visibleMacro}, .afterSheets = {BuiltinName(1)}}, u"Macro1"},
      {"a hidden chart of that name", {.sheets = {hiddenChart}, .afterSheets = {BuiltinName(1)}}, u"Macro1"},
      {"no sheet list", {.afterSheets = {BuiltinName(1)}}, u"Macro1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    const BuiltWorkbook built = BuildWorkbook(c.book);
    const SheetClean clean = CleanSheet(built.stream, c.wanted);
    EXPECT_FALSE(clean.found);
    EXPECT_EQ(clean.stream, built.stream);
  }
  // Not a workbook: no BOF at offset 0.
  Bytes noBof = BuildWorkbook({.sheets = {hidden}}).stream;
  noBof[0] = 0x00;
  EXPECT_FALSE(CleanSheet(noBof, u"Macro1").found);
}

TEST(CleanSheetRecords, ASheetWhoseLbPlyPosMissesItsBofOnlyLosesItsDt) {
  Workbook book;
  book.sheets = {{.name = u"Macro1", .hsState = kHidden, .dt = kMacroSheet, .records = {Formula(kHalt)},
                  .position = 3}};
  book.afterSheets = {BuiltinName(1)};
  const BuiltWorkbook built = BuildWorkbook(book);
  const SheetClean clean = CleanSheet(built.stream, u"Macro1");
  EXPECT_FALSE(clean.found);
  EXPECT_EQ(ChangedRecords(built.stream, clean.stream), std::vector<uint32_t>{built.boundSheetAt[0]});
}

TEST(WorkbookCleanups, ASubstreamOffTheRecordChainIsNeverChanged) {
  // Sheet "Hide" points into the parsed formula of a Formula record, where the bytes of a
  // BOF, a Window2, a Formula and an EOF lie: records in the data of another record.
  const Bytes inner = Cat({Bof(0x0040), Window2(), Formula(kHalt), Eof()});
  Workbook book;
  book.sheets = {{.name = u"Hide", .hsState = kHidden, .dt = kMacroSheet, .records = {Formula(inner)}}};
  const uint32_t innerAt = BuildWorkbook(book).sheetRecordAt[0][0] + 4 + 22;
  book.sheets[0].position = innerAt;
  const BuiltWorkbook built = BuildWorkbook(book);
  ASSERT_EQ(U16At(built.stream, innerAt), 0x0809);

  const SheetClean sheet = CleanSheet(built.stream, u"Hide");
  EXPECT_FALSE(sheet.found);
  EXPECT_EQ(ChangedRecords(built.stream, sheet.stream), std::vector<uint32_t>{built.boundSheetAt[0]});
  const Bytes project = CleanProject(built.stream, u"Hide");
  EXPECT_EQ(ChangedRecords(built.stream, project), std::vector<uint32_t>{built.boundSheetAt[0]});
}

TEST(CleanSheetRecords, NeutralisesAtMost512FormulasWithFewerThan258OthersBetween) {
  struct Case {
    const char* title;
    std::vector<Bytes> records;
  };
  std::vector<Bytes> many;
  for (int i = 0; i < 600; ++i) many.push_back(Formula(kHalt, std::nullopt, static_cast<uint16_t>(i)));
  auto gap = [](int others) {
    std::vector<Bytes> records = {Formula(kHalt)};
    for (int i = 0; i < others; ++i) records.push_back(Number(static_cast<uint16_t>(i), 1, 1.0));
    records.push_back(Formula(kHalt));
    return records;
  };
  const std::vector<Case> cases = {
      {"600 formulas", many},
      {"257 other records between two formulas", gap(257)},
      {"258 other records between two formulas", gap(258)},
      {"the search ends at the sheet's EOF: the next sheet's formula stays", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    Workbook book;
    book.sheets = {{.name = u"Macro1", .hsState = kHidden, .dt = kMacroSheet, .records = c.records},
                   {.name = u"Macro2", .hsState = kHidden, .dt = kMacroSheet, .records = {Formula(kHalt)}}};
    const BuiltWorkbook built = BuildWorkbook(book);
    const SheetClean clean = CleanSheet(built.stream, u"Macro1");
    EXPECT_TRUE(clean.found);
    EXPECT_TRUE(SameStream(AfterSheetClean(built, 0), clean.stream));
  }
}

TEST(CleanSheetRecords, ASecondCleanOfTheSameSheetFindsItAndChangesNothingMore) {
  const BuiltWorkbook built = BuildWorkbook(ProjectWorkbook());
  const SheetClean first = CleanSheet(built.stream, u"Macro1");
  const SheetClean second = CleanSheet(first.stream, u"Macro1");
  EXPECT_TRUE(second.found);
  EXPECT_EQ(second.stream, first.stream);
}

TEST(WorkbookImage, RefusesChangesOutsideTheRecordItIsGiven) {
  Bytes stream = BuildWorkbook({}).stream;
  const Bytes original = stream;
  WorkbookImage image(stream.data(), static_cast<uint32_t>(stream.size()), nullptr);
  const qv::biff::Record bof{0, 0x0809, 16};
  const uint8_t bytes[4] = {1, 2, 3, 4};
  EXPECT_FALSE(image.WriteData(bof, 15, bytes, 2));  // one byte past its data
  EXPECT_FALSE(image.WriteData(bof, 17, bytes, 0));
  const qv::biff::Record beyond{static_cast<uint32_t>(stream.size() - 2), 0, 0};
  EXPECT_FALSE(image.SetId(beyond, 0x0022));  // the record does not lie in the stream
  const qv::biff::Record offChain{2, 0x0010, 4};
  EXPECT_FALSE(image.WriteDataU8(offChain, 0, 9));  // no record of the chain starts there
  EXPECT_EQ(image.refusedWrites(), 4u);
  EXPECT_EQ(stream, original);
  EXPECT_TRUE(image.WriteData(bof, 14, bytes, 2));
  EXPECT_EQ(stream[4 + 14], 1);
}

}  // namespace
}  // namespace qv::test
