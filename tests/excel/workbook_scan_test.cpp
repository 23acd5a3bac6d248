// Whole scan calls on built workbooks: the harmless test signature in a VBA module or in the
// formulas of a hidden sheet, SCanFileVirus in repair mode, and the file compared byte for
// byte with what the repair may change.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/common/quarantine.h"
#include "tests/excel/workbook_expectations.h"
#include "tests/support/biff/workbook_file.h"
#include "tests/support/bytes/test_bytes.h"
#include "tests/support/engine/program_folder.h"
#include "tests/support/ovba/module_stream.h"
#include "tests/support/vlb/vlb_builder.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;
using namespace test::biff;
using namespace writers::biff;
using writers::CfbFile;

const std::string kVirus = test::kTestSignatureName;

std::vector<uint8_t> TestLibrary() {
  return test::BuildLibrary(R"(pattern 0x1 "QUORVANE-MACRO-TEST-SIGNATURE" case utf16
rule 0x1 "Macro.Test.Signature" = p(0x1))");
}

writers::ovba::ModuleSpec Module(const std::string& name, bool infected) {
  const std::string text = infected ? test::kTestSignatureText : "Quarterly figures";
  return {name, writers::ovba::ModuleSource(name, "Sub Auto_Open()\r\n  MsgBox \"" + text + "\"\r\nEnd Sub\r\n")};
}

Bytes InfectedFormula() { return Formula(StringToken(test::kTestSignatureText)); }

// Filler that makes a workbook stream too large for the mini stream.
Sheet PaddingSheet() {
  Sheet sheet{.name = u"Data"};
  for (uint16_t row = 0; row < 300; ++row) sheet.records.push_back(Number(row, 0, row));
  return sheet;
}

class WorkbookScanTest : public ::testing::Test {
 protected:
  ExportCall Scan(const CfbFile& file, int mode = 1) {
    WriteFile(document_, file.bytes);
    return CallScanFileVirus(U16(document_), mode);
  }
  // The built file with its current bytes from disk.
  CfbFile OnDisk(const CfbFile& built) const {
    CfbFile now = built;
    now.bytes = ReadFile(document_);
    return now;
  }
  size_t Count(const std::string& text) const {
    const std::string log = program_.ReadLog();
    size_t n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }
  // After a repair the document scans clean, which also shows it is still a compound file
  // the engine can open.
  void ExpectScansClean() {
    const ExportCall again = CallScanFileVirus(U16(document_), 0);
    EXPECT_EQ(again.result, 1);
    EXPECT_EQ(again.text, u"");
  }

  ProgramFolder program_{TestLibrary()};
  TempDir docs_;
  fs::path document_ = docs_ / "Budget.xls";
};

// ---- detection in a VBA module ----------------------------------------------------------

struct ModuleCase {
  const char* title;
  std::string module;               // the infected module
  std::optional<size_t> namedSheet;  // the sheet named like it
};

void PrintTo(const ModuleCase& c, std::ostream* os) { *os << c.title; }

class ModuleDetection : public WorkbookScanTest, public ::testing::WithParamInterface<ModuleCase> {};

TEST_P(ModuleDetection, CleansTheProjectRecordsAndWipesTheModule) {
  const ModuleCase& c = GetParam();
  const BuiltWorkbook built = BuildWorkbook(ProjectWorkbook());
  const CfbFile file = BuildWorkbookFile(built.stream, {.modules = {Module(c.module, true), Module("Module2", false)}});

  const ExportCall call = Scan(file);
  EXPECT_EQ(call.text, U16(kVirus));
  EXPECT_EQ(Count(kVirus + " , killed\n"), 1u);

  const uint32_t workbook = file.IdOf("Workbook");
  const uint32_t module = file.IdOf(ModulePath(c.module));
  const CfbFile after = OnDisk(file);
  const Bytes stream = after.StreamBytes(workbook);
  EXPECT_TRUE(SameRecordLayout(built.stream, stream));
  EXPECT_TRUE(SameStream(AfterProjectClean(built, c.namedSheet), stream));
  EXPECT_EQ(after.StreamBytes(module), Bytes(file.entries[module].size, 0));
  // Nothing else of the file changed: header, FAT, directory, the other streams.
  CfbFile expected = file;
  expected.PutStreamBytes(workbook, 0, AfterProjectClean(built, c.namedSheet));
  expected.Fill(expected.StreamRanges(module), 0);
  EXPECT_EQ(test::FirstDifference(expected.bytes, after.bytes), std::nullopt);
  ExpectScansClean();
}

INSTANTIATE_TEST_SUITE_P(
    Excel97, ModuleDetection,
    ::testing::Values(ModuleCase{"module and sheet Sheet1", "Sheet1", 0},
                      ModuleCase{"ThisWorkbook with no such sheet", "ThisWorkbook", std::nullopt},
                      ModuleCase{"module Sheet10 and sheet Sheet1", "Sheet10", std::nullopt}),
    [](const auto& info) { return info.param.module; });

// ---- detection in a hidden sheet --------------------------------------------------------

struct SheetCase {
  std::vector<std::u16string> hidden;  // hidden macro sheets in order
  size_t infected;
  bool large;  // a regular stream rather than one in the mini stream
};

void PrintTo(const SheetCase& c, std::ostream* os) {
  for (const auto& name : c.hidden) *os << std::string(name.begin(), name.end()) << ' ';
  *os << "infected " << c.infected << (c.large ? ", regular stream" : ", mini stream");
}

class SheetDetection : public WorkbookScanTest, public ::testing::WithParamInterface<SheetCase> {};

TEST_P(SheetDetection, CleansExactlyTheInfectedSheet) {
  const SheetCase& c = GetParam();
  Workbook book;
  if (c.large) book.sheets.push_back(PaddingSheet());
  const size_t first = book.sheets.size();
  for (size_t i = 0; i < c.hidden.size(); ++i) {
    book.sheets.push_back({.name = c.hidden[i], .hsState = kHidden, .dt = kMacroSheet,
                           .records = {Formula(StringToken("=ECHO(FALSE)")),
                                       i == c.infected ? InfectedFormula() : Formula(StringToken("=HALT()")),
                                       Window2()}});
  }
  book.afterSheets = {BuiltinName(0x01), BuiltinName(0x06), BuiltinName(0, 0x0101, 0x0202, false)};
  const BuiltWorkbook built = BuildWorkbook(book);
  const CfbFile file = BuildWorkbookFile(built.stream);
  ASSERT_EQ(file.entries[file.IdOf("Workbook")].mini, !c.large);

  const ExportCall call = Scan(file);
  EXPECT_EQ(call.text, U16(kVirus));
  EXPECT_EQ(Count(kVirus), 1u);
  EXPECT_EQ(Count(kVirus + " , killed\n"), 1u);

  const uint32_t workbook = file.IdOf("Workbook");
  const CfbFile after = OnDisk(file);
  const Bytes expectedStream = AfterSheetClean(built, first + c.infected);
  EXPECT_TRUE(SameRecordLayout(built.stream, after.StreamBytes(workbook)));
  EXPECT_TRUE(SameStream(expectedStream, after.StreamBytes(workbook)));
  CfbFile expected = file;
  expected.PutStreamBytes(workbook, 0, expectedStream);
  EXPECT_EQ(test::FirstDifference(expected.bytes, after.bytes), std::nullopt);
  ExpectScansClean();
}

INSTANTIATE_TEST_SUITE_P(Excel97, SheetDetection,
                         ::testing::Values(SheetCase{{u"Macro1", u"Macro12"}, 0, false},
                                           SheetCase{{u"Macro1", u"Macro12"}, 1, false},
                                           SheetCase{{u"Macro12", u"Macro1"}, 1, false},
                                           SheetCase{{u"Macro12", u"Macro1"}, 0, false},
                                           SheetCase{{u"Macro1", u"Macro12"}, 1, true}));

TEST_F(WorkbookScanTest, ALongInfectedSheetLeavesNothingForTheShortSheetAfterIt) {
  Workbook book;
  // The signature lies far beyond the short sheet's few bytes in the formula buffer.
  std::vector<Bytes> longFormulas;
  for (int i = 0; i < 20; ++i) longFormulas.push_back(Formula(StringToken("=SET.VALUE(A" + std::to_string(i) + ",0)")));
  longFormulas.push_back(InfectedFormula());
  book.sheets = {{.name = u"Macro1", .hsState = kHidden, .dt = kMacroSheet, .records = longFormulas},
                 {.name = u"Macro2", .hsState = kHidden, .dt = kMacroSheet, .records = {Formula(StringToken("=1"))}}};
  const BuiltWorkbook built = BuildWorkbook(book);
  const CfbFile file = BuildWorkbookFile(built.stream);

  Scan(file);
  EXPECT_EQ(Count(kVirus), 1u);
  EXPECT_TRUE(SameStream(AfterSheetClean(built, 0), OnDisk(file).StreamBytes(file.IdOf("Workbook"))));
}

TEST_F(WorkbookScanTest, TwoInfectedSheetsAreEachCleanedAfterTheirOwnDetection) {
  Workbook book;
  for (const char16_t* name : {u"Macro1", u"Macro2"}) {
    book.sheets.push_back({.name = name, .hsState = kVeryHidden, .dt = kMacroSheet, .records = {InfectedFormula()}});
  }
  const BuiltWorkbook built = BuildWorkbook(book);
  const CfbFile file = BuildWorkbookFile(built.stream);
  Scan(file);
  EXPECT_EQ(Count(kVirus + " , killed\n"), 2u);
  Bytes expected = AfterSheetClean(built, 0);
  BuiltWorkbook halfway = built;
  halfway.stream = expected;
  expected = AfterSheetClean(halfway, 1);
  EXPECT_TRUE(SameStream(expected, OnDisk(file).StreamBytes(file.IdOf("Workbook"))));
  // One quarantine copy, of the workbook as it was before either repair.
  Bytes copy = ReadFile(program_.quarantine() / "Budget.xls.vir");
  ScrambleBytes(copy.data(), copy.size());
  EXPECT_EQ(copy, file.bytes);
  EXPECT_FALSE(Exists(program_.quarantine() / "Budget(2).xls.vir"));
}

TEST_F(WorkbookScanTest, AFailedQuarantineCopyAbandonsTheWorkbookUntouched) {
  // Every name the copy could take is occupied by a folder.
  fs::create_directories(program_.quarantine() / "Budget.xls.vir");
  for (int n = 2; n <= 1000; ++n) fs::create_directory(program_.quarantine() / ("Budget(" + std::to_string(n) + ").xls.vir"));
  Workbook book;
  for (const char16_t* name : {u"Macro1", u"Macro2"}) {
    book.sheets.push_back({.name = name, .hsState = kHidden, .dt = kMacroSheet, .records = {InfectedFormula()}});
  }
  const CfbFile file = BuildWorkbookFile(BuildWorkbook(book).stream);
  const ExportCall call = Scan(file);
  EXPECT_EQ(call.text, U16(kVirus));
  EXPECT_EQ(Count("failed,kill Abort!"), 1u);  // the second sheet is never judged
  EXPECT_EQ(Count(kVirus), 1u);
  EXPECT_EQ(ReadFile(document_), file.bytes);
}

// ---- workbooks that are not repaired ----------------------------------------------------

struct UnrepairedCase {
  const char* title;
  std::string streamName;
  uint16_t version;
  bool encrypted;
  int mode;
  const char* logEnding;  // after the virus name; nullptr: no detection at all
  bool deleted;
};

void PrintTo(const UnrepairedCase& c, std::ostream* os) { *os << c.title; }

class Unrepaired : public WorkbookScanTest, public ::testing::WithParamInterface<UnrepairedCase> {};

TEST_P(Unrepaired, IsLeftAloneOrDeleted) {
  const UnrepairedCase& c = GetParam();
  Workbook book{.version = c.version};
  if (c.encrypted) book.beforeSheets = {FilePass()};
  book.sheets = {{.name = u"Macro1", .hsState = kHidden, .dt = kMacroSheet, .records = {InfectedFormula()}}};
  const CfbFile file = BuildWorkbookFile(BuildWorkbook(book).stream, {.streamName = c.streamName});

  const ExportCall call = Scan(file, c.mode);
  if (c.logEnding == nullptr) {
    EXPECT_EQ(call.text, u"");
    EXPECT_EQ(Count(kVirus), 0u);
  } else {
    EXPECT_EQ(call.text, U16(kVirus));
    EXPECT_EQ(Count(kVirus + c.logEnding), 1u);
    EXPECT_TRUE(fs::exists(program_.quarantine() / "Budget.xls.vir"));
  }
  EXPECT_EQ(fs::exists(document_), !c.deleted);
  if (!c.deleted) {
    EXPECT_EQ(ReadFile(document_), file.bytes);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Workbooks, Unrepaired,
    ::testing::Values(
        UnrepairedCase{"Excel5WorkbookIsDeleted", "Workbook", 0x0500, false, 1, " , kill failed , deleted\n", true},
        UnrepairedCase{"EncryptedWorkbookIsDeleted", "Workbook", 0x0600, true, 1, " , kill failed , deleted\n", true},
        UnrepairedCase{"BookStreamIsNotWalked", "Book", 0x0600, false, 1, nullptr, false},
        UnrepairedCase{"ReportOnlyLeavesTheFile", "Workbook", 0x0600, false, 0, "\n", false}),
    [](const auto& info) { return std::string(info.param.title); });

}  // namespace
}  // namespace qv::test
