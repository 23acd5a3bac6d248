#include "writers/biff/workbook_writer.h"

#include <algorithm>

#include "writers/biff/records.h"
#include "writers/cfb/compound_writer.h"

namespace qv::writers {
namespace {

using biff::Record;

constexpr size_t kMinimumStream = 4096;  // keeps the workbook stream out of the mini stream
constexpr uint16_t kCellXf = 15;          // the one cell format after the 15 style formats

void PutShortString(Bytes& out, const std::string& text) {  // ShortXLUnicodeString, 8-bit
  PutU8(out, static_cast<uint8_t>(text.size()));
  PutU8(out, 0);
  PutText(out, text);
}

Bytes Font() {
  Bytes d;
  PutU16(d, 200);     // dyHeight: 10 points
  PutU16(d, 0);       // grbit
  PutU16(d, 0x7FFF);  // icv: automatic
  PutU16(d, 400);     // bls: normal weight
  PutU16(d, 0);       // sss
  PutU8(d, 0);        // uls
  PutU8(d, 2);        // bFamily: swiss
  PutU8(d, 0);        // bCharSet
  PutU8(d, 0);
  PutShortString(d, "Arial");
  return Record(0x0031, d);
}

Bytes Xf(bool style) {
  Bytes d;
  PutU16(d, 0);                         // ifnt
  PutU16(d, 0);                         // ifmt: General
  PutU16(d, style ? 0xFFF5 : 0x0001);   // locked; a style format has no parent
  PutU8(d, 0x20);                       // alignment: bottom
  PutU8(d, 0);
  PutU8(d, 0);
  PutU8(d, style ? 0x00 : 0xF8);        // a cell format uses its own attributes
  PutU32(d, 0);                         // borders
  PutU32(d, 0);
  PutU16(d, 0x20C0);                    // pattern colours: automatic
  return Record(0x00E0, d);
}

Bytes CellHeader(uint16_t row, uint16_t column) {
  Bytes d;
  PutU16(d, row);
  PutU16(d, column);
  PutU16(d, kCellXf);
  return d;
}

// The shared strings of every sheet, in order of appearance.
struct StringTable {
  std::vector<std::string> strings;
  uint32_t references = 0;
  uint32_t Index(const std::string& s) {
    ++references;
    for (size_t i = 0; i < strings.size(); ++i) {
      if (strings[i] == s) return static_cast<uint32_t>(i);
    }
    strings.push_back(s);
    return static_cast<uint32_t>(strings.size() - 1);
  }
};

// The records between a sheet's BOF and EOF.
std::vector<Bytes> SheetRecords(const SheetSpec& sheet, StringTable& sst) {
  std::vector<Bytes> records;
  uint16_t rows = 0, columns = 0;
  for (const SheetCell& c : sheet.cells) {
    rows = std::max<uint16_t>(rows, c.row + 1);
    columns = std::max<uint16_t>(columns, c.column + 1);
  }
  for (const MacroFormula& f : sheet.formulas) {
    rows = std::max<uint16_t>(rows, f.row + 1);
    columns = std::max<uint16_t>(columns, f.column + 1);
  }
  Bytes dim;
  PutU32(dim, 0);
  PutU32(dim, rows);
  PutU16(dim, 0);
  PutU16(dim, columns);
  PutU16(dim, 0);
  records.push_back(Record(0x0200, dim));  // Dimensions
  for (const SheetCell& c : sheet.cells) {
    Bytes d = CellHeader(c.row, c.column);
    PutU32(d, sst.Index(c.text));
    records.push_back(Record(0x00FD, d));  // LabelSst
  }
  for (const MacroFormula& f : sheet.formulas) {
    Bytes d = CellHeader(f.row, f.column);
    // FormulaValue: a string (then a String record) or the boolean FALSE.
    const bool text = !f.cachedText.empty();
    for (uint8_t b : {static_cast<uint8_t>(text ? 0 : 1), uint8_t{0}, uint8_t{0}, uint8_t{0}, uint8_t{0}, uint8_t{0},
                      uint8_t{0xFF}, uint8_t{0xFF}}) {
      PutU8(d, b);
    }
    PutU16(d, 0);       // grbit
    PutU32(d, 0);       // chn
    PutU16(d, static_cast<uint16_t>(f.rgce.size()));
    PutBytes(d, f.rgce);
    records.push_back(Record(0x0006, d));  // Formula
    if (text) {
      Bytes str;
      biff::PutString(str, f.cachedText);
      records.push_back(Record(0x0207, str));  // String
    }
  }
  Bytes window;
  PutU16(window, sheet.macroSheet ? 0x0036 : 0x06B6);  // grbit: gridlines, headers, outline, zero values
  PutU16(window, 0);       // rwTop
  PutU16(window, 0);       // colLeft
  PutU32(window, 0x40);    // icvHdr
  PutU16(window, 0);       // wScaleSLV
  PutU16(window, 0);       // wScaleNormal
  PutU32(window, 0);
  records.push_back(Record(0x023E, window));  // Window2
  if (!sheet.codeName.empty()) records.push_back(biff::CodeName(sheet.codeName));
  return records;
}

// SST and ExtSST; `sstAt` is the stream offset of the SST record.
std::vector<Bytes> SharedStrings(const StringTable& sst, size_t sstAt) {
  Bytes d, ext;
  PutU32(d, sst.references);                             // cstTotal
  PutU32(d, static_cast<uint32_t>(sst.strings.size()));  // cstUnique
  PutU16(ext, 8);                                        // dsst: strings per bucket
  for (size_t i = 0; i < sst.strings.size(); ++i) {
    if (i % 8 == 0) {  // ISSTInf: stream offset of the string, its offset in the record
      PutU32(ext, static_cast<uint32_t>(sstAt + 4 + d.size()));
      PutU16(ext, static_cast<uint16_t>(4 + d.size()));
      PutU16(ext, 0);
    }
    biff::PutString(d, sst.strings[i]);
  }
  return {Record(0x00FC, d), Record(0x00FF, ext)};  // SST, ExtSST
}

}  // namespace

Bytes StringFormula(const std::string& text) { return biff::StringToken(text); }

Bytes ReturnFormula() { return Bytes{0x42, 0x00, 55, 0x00}; }  // ptgFuncVar, no arguments, RETURN

Bytes BuildWorkbookDocumentStream(const WorkbookDocument& workbook) {
  biff::Workbook book;
  StringTable sst;
  for (const SheetSpec& sheet : workbook.sheets) {
    book.sheets.push_back({std::u16string(sheet.name.begin(), sheet.name.end()), false,
                           sheet.hidden ? biff::kHidden : biff::kVisible,
                           sheet.macroSheet ? biff::kMacroSheet : biff::kWorksheet, SheetRecords(sheet, sst), {}, {}});
  }

  std::vector<Bytes>& globals = book.beforeSheets;
  globals.push_back(Record(0x00E1, Bytes{0xB0, 0x04}));  // InterfaceHdr: code page 1200
  globals.push_back(Record(0x00C1, Bytes{0, 0}));        // Mms
  globals.push_back(Record(0x00E2, {}));                 // InterfaceEnd
  Bytes access;
  biff::PutString(access, "Quorvane");
  access.resize(112, ' ');
  globals.push_back(Record(0x005C, access));             // WriteAccess
  globals.push_back(Record(0x0042, Bytes{0xB0, 0x04}));  // CodePage: 1200
  if (!workbook.modules.empty()) {
    globals.push_back(biff::ObProj());
    globals.push_back(biff::CodeName(workbook.workbookCodeName));
  }
  Bytes window;
  for (uint16_t v : {0x0000, 0x0000, 0x3A5C, 0x23BE, 0x0038, 0x0000, 0x0000, 0x0001, 0x0258}) PutU16(window, v);
  globals.push_back(Record(0x003D, window));             // Window1
  for (int i = 0; i < 4; ++i) globals.push_back(Font());
  for (int i = 0; i < 15; ++i) globals.push_back(Xf(true));
  globals.push_back(Xf(false));
  globals.push_back(Record(0x0293, Bytes{0x00, 0x80, 0x00, 0xFF}));  // Style: built-in Normal

  // After the sheet list: Country, then the shared strings, whose ExtSST holds stream
  // offsets. Their size does not depend on where they lie: a first layout finds the place.
  book.afterSheets.push_back(Record(0x008C, Bytes{0x01, 0x00, 0x01, 0x00}));  // Country
  for (Bytes& r : SharedStrings(sst, 0)) book.afterSheets.push_back(std::move(r));
  const uint32_t sstAt = biff::BuildWorkbook(book).afterSheetsAt[1];
  const std::vector<Bytes> placed = SharedStrings(sst, sstAt);
  std::copy(placed.begin(), placed.end(), book.afterSheets.begin() + 1);

  Bytes stream = biff::BuildWorkbook(book).stream;
  PadAtLeast(stream, kMinimumStream);
  return stream;
}

Bytes BuildWorkbookDocument(const WorkbookDocument& workbook) {
  CfbBuilder file;
  file.SetClassId("", {0x20, 0x08, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0, 0, 0, 0, 0, 0, 0x46});  // Excel workbook
  file.AddStream("Workbook", BuildWorkbookDocumentStream(workbook));
  if (!workbook.modules.empty()) {
    for (ovba::ProjectStream& s : ovba::BuildVbaProject(workbook.modules, "VBAProject").streams) {
      file.AddStream("_VBA_PROJECT_CUR/" + s.path, std::move(s.bytes));
    }
  }
  return file.Build();
}

}  // namespace qv::writers
