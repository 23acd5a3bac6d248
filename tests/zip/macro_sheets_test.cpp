// Hidden Excel 4.0 macro sheets of .xlsm and .xlsb workbooks: the part readers, the workbook
// edits of the repair, and whole scan calls (finding, report only, repair by rebuild).
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/common/quarantine.h"
#include "engine/zip/macro_sheet_package.h"
#include "engine/zip/macro_sheets.h"
#include "tests/support/vlb/vlb_builder.h"
#include "tests/zip/package_fixture.h"
#include "writers/zip/macro_sheet_writer.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;
using writers::Bytes;
using writers::MacroSheetBook;
using writers::PackageSheet;
using writers::SheetVisibility;
using test::kTestSignatureName;
using test::kTestSignatureText;

// rgce of ="text" (ptgStr with a 16-bit length and UTF-16 characters, as BIFF12 writes it).
Bytes StringFormula(const std::string& text) {
  Bytes out = {0x17};
  writers::PutU16(out, static_cast<uint16_t>(text.size()));
  writers::PutUtf16(out, text);
  return out;
}
const Bytes kReturn = {0x19, 0x40, 0x00, 0x00};  // any other token bytes: an attribute token

// A visible worksheet and a macro sheet with the test string in its first formula.
MacroSheetBook Book(bool binary, SheetVisibility macroVisibility, bool autoOpen = true) {
  MacroSheetBook book;
  book.binary = binary;
  book.sheets.push_back({"Sheet1", false, SheetVisibility::Visible, "Figures", {}, {}});
  PackageSheet macro{"Macro1", true, macroVisibility, "", {}, {}};
  macro.formulas = {std::string("\"") + kTestSignatureText + "\"", "RETURN()"};
  macro.tokens = {StringFormula(kTestSignatureText), kReturn};
  book.sheets.push_back(macro);
  if (autoOpen) book.autoOpenSheet = 1;
  return book;
}

std::string PartText(const std::vector<writers::PackagePart>& parts, const std::string& name) {
  for (const auto& p : parts) {
    if (p.name == name) return std::string(p.data.begin(), p.data.end());
  }
  return {};
}

ByteReader Reader(const std::string& bytes) {
  return ByteReader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// ---- readers ------------------------------------------------------------------------------

TEST(MacroSheetReaderTest, WorkbookPartsGiveSheetsStatesAndRelationshipIds) {
  for (const bool binary : {false, true}) {
    MacroSheetBook book = Book(binary, SheetVisibility::VeryHidden);
    book.sheets.push_back({"Macro2", true, SheetVisibility::Hidden, "", {"1"}, {kReturn}});
    const auto parts = MacroSheetBookParts(book);
    const auto sheets = binary ? zip::ReadWorkbookSheetsBin(Reader(PartText(parts, "xl/workbook.bin")))
                               : zip::ReadWorkbookSheetsXml(PartText(parts, "xl/workbook.xml"));
    ASSERT_EQ(sheets.size(), 3u) << binary;
    EXPECT_EQ(sheets[0].name, "Sheet1");
    EXPECT_EQ(sheets[0].state, zip::SheetState::Visible);
    EXPECT_EQ(sheets[1].name, "Macro1");
    EXPECT_EQ(sheets[1].state, zip::SheetState::VeryHidden);
    EXPECT_EQ(sheets[1].relationshipId, "rId2");
    EXPECT_EQ(sheets[2].state, zip::SheetState::Hidden);

    const std::string rels = PartText(parts, binary ? "xl/_rels/workbook.bin.rels" : "xl/_rels/workbook.xml.rels");
    const auto relationships = zip::ReadRelationships(rels, "xl/");
    ASSERT_EQ(relationships.size(), 3u);
    EXPECT_FALSE(zip::IsMacroSheetRelationship(relationships[0].type));
    EXPECT_TRUE(zip::IsMacroSheetRelationship(relationships[1].type));
    EXPECT_EQ(relationships[1].target, SheetPartName(book, 1));
  }
}

TEST(MacroSheetReaderTest, FormulaTextIsEveryFElementWithEntitiesDecoded) {
  const std::string xml =
      "<xm:macrosheet xmlns=\"m\" xmlns:xm=\"x\"><sheetData>"
      "<row r=\"1\"><c r=\"A1\"><f>EXEC(&quot;cmd /c a&amp;b&quot;)</f><v>0</v></c></row>"
      "<row r=\"2\"><c r=\"A2\"><v>7</v></c><c r=\"B2\"><f>HALT()</f></c></row>"
      "</sheetData></xm:macrosheet>";
  EXPECT_EQ(zip::GatherFormulaTextXml(xml), "EXEC(\"cmd /c a&b\")\nHALT()\n");
  EXPECT_EQ(zip::GatherFormulaTextXml("<not xml"), "");
}

TEST(MacroSheetReaderTest, FormulaTokensAreTheRgceOfEveryFormulaCell) {
  PackageSheet sheet{"M", true, SheetVisibility::Hidden, "", {}, {StringFormula("ab"), kReturn}};
  MacroSheetBook book{true, {sheet}, std::nullopt};
  const std::string part = PartText(MacroSheetBookParts(book), SheetPartName(book, 0));
  Bytes expected = StringFormula("ab");
  expected.insert(expected.end(), kReturn.begin(), kReturn.end());
  EXPECT_EQ(zip::GatherFormulaTokensBin(Reader(part)), std::string(expected.begin(), expected.end()));

  // A record whose length runs past the part ends the walk; a formula longer than its record
  // is skipped.
  std::string cut = part.substr(0, part.size() - 30);
  EXPECT_EQ(zip::GatherFormulaTokensBin(Reader(cut)), std::string(expected.begin(), expected.begin() + 7));
  Bytes lying;
  Bytes cell(16, 0);
  writers::PutU16(cell, 0);
  writers::PutU32(cell, 1000);  // cce past the record
  cell.push_back(0x17);
  writers::PutBiff12Record(lying, 0x09, cell);
  EXPECT_EQ(zip::GatherFormulaTokensBin(Reader(std::string(lying.begin(), lying.end()))), "");
}

TEST(MacroSheetReaderTest, Biff12RecordHeadersUseSevenBitGroups) {
  Bytes data(200, 0xAB);
  Bytes out;
  writers::PutBiff12Record(out, 0x16A, data);  // two type bytes, two length bytes
  const std::string part(out.begin(), out.end());
  const auto record = zip::biff12::RecordAt(Reader(part), 0);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->id, 0x16Au);
  EXPECT_EQ(record->length, 200u);
  EXPECT_EQ(record->dataOffset, 4u);
  EXPECT_FALSE(zip::biff12::RecordAt(Reader(part.substr(0, part.size() - 1)), 0));
}

// ---- workbook edits -----------------------------------------------------------------------

TEST(WorkbookEditTest, XmlLosesTheSheetItsNamesAndShiftsTheIndexesAfterIt) {
  const std::string xml =
      "<workbook xmlns=\"m\" xmlns:r=\"r\"><bookViews><workbookView activeTab=\"2\" firstSheet=\"1\"/></bookViews>"
      "<sheets><sheet name=\"A\" sheetId=\"1\" r:id=\"rId1\"/><sheet name=\"Macro 1\" sheetId=\"2\" state=\"hidden\" r:id=\"rId2\"/>"
      "<sheet name=\"C\" sheetId=\"3\" r:id=\"rId3\"/></sheets><definedNames>"
      "<definedName name=\"_xlnm.Auto_Open\" hidden=\"1\">'Macro 1'!$A$1</definedName>"
      "<definedName name=\"Local\" localSheetId=\"1\">A!$B$2</definedName>"
      "<definedName name=\"_xlnm.Print_Area\" localSheetId=\"2\">C!$A$1:$B$2</definedName>"
      "<definedName name=\"Other\">XMacro 1!$A$1</definedName>"
      "</definedNames></workbook>";
  const auto edited = zip::WorkbookXmlWithoutSheets(xml, {"rId2"});
  ASSERT_TRUE(edited);
  const auto sheets = zip::ReadWorkbookSheetsXml(*edited);
  ASSERT_EQ(sheets.size(), 2u);
  EXPECT_EQ(sheets[1].name, "C");
  EXPECT_EQ(edited->find("Auto_Open"), std::string::npos);
  EXPECT_EQ(edited->find("\"Local\""), std::string::npos);
  EXPECT_NE(edited->find("<definedName name=\"_xlnm.Print_Area\" localSheetId=\"1\">"), std::string::npos) << *edited;
  EXPECT_NE(edited->find("XMacro 1!$A$1"), std::string::npos);
  EXPECT_NE(edited->find("activeTab=\"1\" firstSheet=\"0\""), std::string::npos) << *edited;
  EXPECT_FALSE(zip::WorkbookXmlWithoutSheets(xml, {"rId9"}));
}

TEST(WorkbookEditTest, BinaryLosesTheSheetAndTheNamePointingAtIt) {
  MacroSheetBook book = Book(true, SheetVisibility::Hidden);
  book.sheets.push_back({"Sheet3", false, SheetVisibility::Visible, "", {}, {}});
  const std::string part = PartText(MacroSheetBookParts(book), "xl/workbook.bin");
  const auto edited = zip::WorkbookBinWithoutSheets(part, {"rId2"});
  ASSERT_TRUE(edited);
  const auto sheets = zip::ReadWorkbookSheetsBin(Reader(*edited));
  ASSERT_EQ(sheets.size(), 2u);
  EXPECT_EQ(sheets[0].name, "Sheet1");
  EXPECT_EQ(sheets[1].name, "Sheet3");
  // the Auto_Open name went, and the sheet reference to the removed sheet reads #REF! (-2)
  bool name = false;
  for (uint64_t at = 0; at < edited->size();) {
    const auto r = zip::biff12::RecordAt(Reader(*edited), at);
    ASSERT_TRUE(r);
    name = name || r->id == zip::biff12::kName;
    if (r->id == 0x16A) EXPECT_EQ(Reader(*edited).U32(r->dataOffset + 8), 0xFFFFFFFEu);
    at = r->dataOffset + r->length;
  }
  EXPECT_FALSE(name);
  EXPECT_FALSE(zip::WorkbookBinWithoutSheets(part.substr(0, part.size() - 1), {"rId2"}));
}

TEST(WorkbookEditTest, AnUnreadableSheetRecordKeepsItsPlace) {
  // A BrtBundleSh whose name runs past the record still counts as a sheet: the one dropped
  // must be the sheet named by the relationship id, not its neighbour.
  MacroSheetBook book = Book(true, SheetVisibility::Hidden, /*autoOpen=*/false);
  std::string part = PartText(MacroSheetBookParts(book), "xl/workbook.bin");
  const auto first = std::find(part.begin(), part.end(), '\x9C');
  ASSERT_NE(first, part.end());
  const size_t at = static_cast<size_t>(first - part.begin());
  part[at + 3 + 8] = '\x7F';  // strRelID's count (after the 3-byte header): far past the record
  const auto edited = zip::WorkbookBinWithoutSheets(part, {"rId2"});
  ASSERT_TRUE(edited);
  EXPECT_NE(edited->find(std::string("S\0h\0e\0e\0t\0" "1", 11)), std::string::npos) << "the unreadable record stays";
  EXPECT_EQ(edited->find(std::string("M\0a\0c\0r\0o\0" "1", 11)), std::string::npos) << "Macro1 goes";
}

// ---- whole scan calls ---------------------------------------------------------------------

std::vector<uint8_t> TestLibrary() {
  return test::BuildLibrary(R"(pattern 0x1 "QUORVANE-MACRO-TEST-SIGNATURE" case utf16
rule 0x1 "Macro.Test.Signature" = p(0x1))");
}

class MacroSheetScanTest : public PackageTest, public ::testing::WithParamInterface<bool> {
 protected:
  void Write(const MacroSheetBook& book) {
    book_ = book;
    document_ = Doc(book.binary ? "Book.xlsb" : "Book.xlsm");
    std::vector<PackagePart> entries;
    for (const auto& part : MacroSheetBookParts(book)) entries.push_back({part.name, part.data});
    WritePackage(document_, entries);
    original_ = ReadFile(document_);
  }
  ExportCall Scan(int mode) { return CallScanFileVirus(U16(document_), mode); }

  ProgramFolder program_{TestLibrary()};
  MacroSheetBook book_;
  fs::path document_;
  std::vector<uint8_t> original_;
};

TEST_P(MacroSheetScanTest, HiddenAndVeryHiddenMacroSheetsAreFound) {
  for (const auto visibility : {SheetVisibility::Hidden, SheetVisibility::VeryHidden}) {
    Write(Book(GetParam(), visibility));
    const ExportCall call = Scan(0);
    EXPECT_EQ(call.text, U16(std::string(kTestSignatureName)));
    EXPECT_EQ(ReadFile(document_), original_);
    // report only still keeps the quarantine copy of the whole document
    std::vector<uint8_t> copy = ReadFile(program_.quarantine() / (document_.filename().string() + ".vir"));
    ScrambleBytes(copy.data(), copy.size());
    EXPECT_EQ(copy, original_);
    EXPECT_NE(program_.ReadLog().find(document_.string() + "  Macro.Test.Signature\n"), std::string::npos)
        << program_.ReadLog();
    fs::remove_all(program_.quarantine());
  }
}

TEST_P(MacroSheetScanTest, VisibleMacroSheetsAreNotJudged) {
  Write(Book(GetParam(), SheetVisibility::Visible));
  EXPECT_EQ(Scan(1).text, u"");
  EXPECT_EQ(ReadFile(document_), original_);
  EXPECT_FALSE(Exists(program_.quarantine() / (document_.filename().string() + ".vir")));
}

TEST_P(MacroSheetScanTest, RepairDropsTheSheetWithEverythingThatNamesIt) {
  Write(Book(GetParam(), SheetVisibility::VeryHidden));
  const ExportCall call = Scan(1);
  EXPECT_EQ(call.text, U16(std::string(kTestSignatureName)));
  EXPECT_NE(program_.ReadLog().find("  Macro.Test.Signature , killed\n"), std::string::npos) << program_.ReadLog();

  const auto entries = ReadPackage(document_);
  for (const auto& e : entries) EXPECT_TRUE(e.intact) << e.name;
  const std::string macroPart = SheetPartName(book_, 1);
  EXPECT_EQ(FindEntry(entries, macroPart), nullptr);
  const auto text = [&](const std::string& name) {
    const auto* e = FindEntry(entries, name);
    return e ? std::string(e->data.begin(), e->data.end()) : std::string();
  };
  EXPECT_EQ(text("[Content_Types].xml").find(macroPart), std::string::npos);
  const std::string workbook = GetParam() ? "xl/workbook.bin" : "xl/workbook.xml";
  EXPECT_EQ(text("xl/_rels/" + workbook.substr(3) + ".rels").find("macrosheets"), std::string::npos);
  const auto sheets = GetParam() ? zip::ReadWorkbookSheetsBin(Reader(text(workbook)))
                                 : zip::ReadWorkbookSheetsXml(text(workbook));
  ASSERT_EQ(sheets.size(), 1u);
  EXPECT_EQ(sheets[0].name, "Sheet1");
  if (!GetParam()) EXPECT_EQ(text(workbook).find("Auto_Open"), std::string::npos);
  EXPECT_NE(FindEntry(entries, SheetPartName(book_, 0)), nullptr);

  // nothing left beside the document; a second scan finds nothing; the copy restores it
  EXPECT_EQ(Listing(docs_.path()), std::set<std::string>{document_.filename().string()});
  EXPECT_EQ(Scan(1).text, u"");
  std::vector<uint8_t> copy = ReadFile(program_.quarantine() / (document_.filename().string() + ".vir"));
  ScrambleBytes(copy.data(), copy.size());
  EXPECT_EQ(copy, original_);
}

TEST_P(MacroSheetScanTest, ADamagedWorkbookPartIsLeftAsItIs) {
  MacroSheetBook book = Book(GetParam(), SheetVisibility::Hidden);
  auto parts = MacroSheetBookParts(book);
  document_ = Doc(GetParam() ? "Book.xlsb" : "Book.xlsm");
  std::vector<PackagePart> entries;
  for (auto& part : parts) {
    if (part.name == "xl/workbook.bin") part.data.pop_back();  // the last record runs past the part
    if (part.name == "xl/workbook.xml") part.data.resize(part.data.size() / 2 + 40);  // cut XML
    entries.push_back({part.name, part.data});
  }
  WritePackage(document_, entries);
  original_ = ReadFile(document_);
  Scan(1);
  EXPECT_EQ(ReadFile(document_), original_);
  EXPECT_EQ(Listing(docs_.path()), std::set<std::string>{document_.filename().string()});
}

INSTANTIATE_TEST_SUITE_P(XmlAndBinary, MacroSheetScanTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? std::string("xlsb") : std::string("xlsm"); });

}  // namespace
}  // namespace qv::test
