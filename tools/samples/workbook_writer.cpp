#include "tools/samples/workbook_writer.h"

#include <stdexcept>

#include "tools/samples/compound_writer.h"

namespace qv::samples {
namespace {

constexpr size_t kMinimumStream = 4096;  // keeps the workbook stream out of the mini stream
constexpr uint16_t kCellXf = 15;          // the one cell format after the 15 style formats

Bytes Record(uint16_t id, const Bytes& data) {
  if (data.size() > 8224) throw std::length_error("BIFF record too long for one record");
  Bytes r;
  PutU16(r, id);
  PutU16(r, static_cast<uint16_t>(data.size()));
  PutBytes(r, data);
  return r;
}

Bytes Bof(uint16_t substreamType) {
  Bytes d;
  PutU16(d, 0x0600);       // BIFF8
  PutU16(d, substreamType);
  PutU16(d, 0x0DBB);       // rupBuild
  PutU16(d, 0x07CC);       // rupYear
  PutU32(d, 0x000080C9);   // bfh: history flags
  PutU32(d, 0x00000206);   // sfo: lowest version that can read it
  return Record(0x0809, d);
}

Bytes Eof() { return Record(0x000A, {}); }

void PutShortString(Bytes& out, const std::string& text) {  // ShortXLUnicodeString, 8-bit
  PutU8(out, static_cast<uint8_t>(text.size()));
  PutU8(out, 0);
  PutText(out, text);
}
void PutString(Bytes& out, const std::string& text) {  // XLUnicodeString, 8-bit
  PutU16(out, static_cast<uint16_t>(text.size()));
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

Bytes SheetSubstream(const SheetSpec& sheet, StringTable& sst) {
  Bytes s = Bof(sheet.macroSheet ? 0x0040 : 0x0010);
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
  PutBytes(s, Record(0x0200, dim));  // Dimensions
  for (const SheetCell& c : sheet.cells) {
    Bytes d = CellHeader(c.row, c.column);
    PutU32(d, sst.Index(c.text));
    PutBytes(s, Record(0x00FD, d));  // LabelSst
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
    PutBytes(s, Record(0x0006, d));  // Formula
    if (text) {
      Bytes str;
      PutString(str, f.cachedText);
      PutBytes(s, Record(0x0207, str));  // String
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
  PutBytes(s, Record(0x023E, window));  // Window2
  if (!sheet.codeName.empty()) {
    Bytes name;
    PutString(name, sheet.codeName);
    PutBytes(s, Record(0x01BA, name));  // CodeName
  }
  PutBytes(s, Eof());
  return s;
}

Bytes SharedStrings(const StringTable& sst, size_t streamOffset) {
  Bytes d, ext;
  PutU32(d, sst.references);                             // cstTotal
  PutU32(d, static_cast<uint32_t>(sst.strings.size()));  // cstUnique
  PutU16(ext, 8);                                        // dsst: strings per bucket
  for (size_t i = 0; i < sst.strings.size(); ++i) {
    if (i % 8 == 0) {  // ISSTInf: stream offset of the string, its offset in the record
      PutU32(ext, static_cast<uint32_t>(streamOffset + 4 + d.size()));
      PutU16(ext, static_cast<uint16_t>(4 + d.size()));
      PutU16(ext, 0);
    }
    PutString(d, sst.strings[i]);
  }
  Bytes out = Record(0x00FC, d);
  PutBytes(out, Record(0x00FF, ext));  // ExtSST
  return out;
}

}  // namespace

Bytes StringFormula(const std::string& text) {
  if (text.size() > 255) throw std::length_error("a string token holds at most 255 characters");
  Bytes rgce{0x17, static_cast<uint8_t>(text.size()), 0x00};  // ptgStr, cch, 8-bit characters
  PutText(rgce, text);
  return rgce;
}

Bytes ReturnFormula() { return Bytes{0x42, 0x00, 55, 0x00}; }  // ptgFuncVar, no arguments, RETURN

Bytes BuildWorkbookStream(const Workbook& workbook) {
  StringTable sst;
  std::vector<Bytes> substreams;
  for (const SheetSpec& sheet : workbook.sheets) substreams.push_back(SheetSubstream(sheet, sst));

  Bytes globals = Bof(0x0005);
  PutBytes(globals, Record(0x00E1, Bytes{0xB0, 0x04}));  // InterfaceHdr: code page 1200
  PutBytes(globals, Record(0x00C1, Bytes{0, 0}));        // Mms
  PutBytes(globals, Record(0x00E2, {}));                 // InterfaceEnd
  Bytes access;
  PutString(access, "Quorvane");
  access.resize(112, ' ');
  PutBytes(globals, Record(0x005C, access));             // WriteAccess
  PutBytes(globals, Record(0x0042, Bytes{0xB0, 0x04}));  // CodePage: 1200
  if (!workbook.modules.empty()) {
    PutBytes(globals, Record(0x00D3, {}));               // ObProj
    Bytes name;
    PutString(name, workbook.workbookCodeName);
    PutBytes(globals, Record(0x01BA, name));             // CodeName
  }
  Bytes window;
  for (uint16_t v : {0x0000, 0x0000, 0x3A5C, 0x23BE, 0x0038, 0x0000, 0x0000, 0x0001, 0x0258}) PutU16(window, v);
  PutBytes(globals, Record(0x003D, window));             // Window1
  for (int i = 0; i < 4; ++i) PutBytes(globals, Font());
  for (int i = 0; i < 15; ++i) PutBytes(globals, Xf(true));
  PutBytes(globals, Xf(false));
  PutBytes(globals, Record(0x0293, Bytes{0x00, 0x80, 0x00, 0xFF}));  // Style: built-in Normal
  std::vector<size_t> positionAt;
  for (const SheetSpec& sheet : workbook.sheets) {
    positionAt.push_back(globals.size() + 4);
    Bytes d;
    PutU32(d, 0);  // lbPlyPos, set below
    PutU8(d, sheet.hidden ? 1 : 0);
    PutU8(d, sheet.macroSheet ? 1 : 0);
    PutShortString(d, sheet.name);
    PutBytes(globals, Record(0x0085, d));  // BoundSheet8
  }
  PutBytes(globals, Record(0x008C, Bytes{0x01, 0x00, 0x01, 0x00}));  // Country
  PutBytes(globals, SharedStrings(sst, globals.size()));
  PutBytes(globals, Eof());

  Bytes stream = globals;
  for (size_t i = 0; i < substreams.size(); ++i) {
    SetU32(stream, positionAt[i], static_cast<uint32_t>(stream.size()));
    PutBytes(stream, substreams[i]);
  }
  PadAtLeast(stream, kMinimumStream);
  return stream;
}

Bytes BuildWorkbook(const Workbook& workbook) {
  CompoundWriter file;
  file.SetClassId("", {0x20, 0x08, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0, 0, 0, 0, 0, 0, 0x46});  // Excel workbook
  file.AddStream("Workbook", BuildWorkbookStream(workbook));
  if (!workbook.modules.empty()) {
    for (VbaStream& s : BuildVbaProjectStreams(workbook.modules, "VBAProject")) {
      file.AddStream("_VBA_PROJECT_CUR/" + s.path, std::move(s.bytes));
    }
  }
  return file.Finish();
}

}  // namespace qv::samples
