#include "writers/zip/macro_sheet_writer.h"

namespace qv::writers {
namespace {

constexpr char kMain[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr char kRelNs[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr char kOfficeDocumentRel[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
constexpr char kMacroSheetRel[] = "http://schemas.microsoft.com/office/2006/relationships/xlMacrosheet";

// BIFF12 record types
constexpr uint32_t kBrtRowHdr = 0x00, kBrtFmlaNum = 0x09, kBrtName = 0x27, kBrtBeginSheet = 0x81,
                   kBrtEndSheet = 0x82, kBrtBeginBook = 0x83, kBrtEndBook = 0x84, kBrtBookView = 0x87,
                   kBrtBeginBundleShs = 0x8F, kBrtEndBundleShs = 0x90, kBrtBeginSheetData = 0x91,
                   kBrtEndSheetData = 0x92, kBrtBundleSh = 0x9C, kBrtBeginExternals = 0x161,
                   kBrtEndExternals = 0x162, kBrtSupSelf = 0x163, kBrtExternSheet = 0x16A,
                   kBrtBeginBookViews = 0x187, kBrtEndBookViews = 0x188;

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

const char* StateText(SheetVisibility v) {
  return v == SheetVisibility::Hidden ? "hidden" : v == SheetVisibility::VeryHidden ? "veryHidden" : nullptr;
}

std::string Folder(const PackageSheet& sheet) { return sheet.macroSheet ? "macrosheets" : "worksheets"; }

// 1-based number of the sheet among the sheets of its own folder.
size_t NumberInFolder(const MacroSheetBook& book, size_t index) {
  size_t n = 0;
  for (size_t i = 0; i <= index; ++i) n += book.sheets[i].macroSheet == book.sheets[index].macroSheet ? 1 : 0;
  return n;
}

std::string SheetTarget(const MacroSheetBook& book, size_t index) {
  return Folder(book.sheets[index]) + "/sheet" + std::to_string(NumberInFolder(book, index)) +
         (book.binary ? ".bin" : ".xml");
}

std::string SheetContentType(const MacroSheetBook& book, const PackageSheet& sheet) {
  if (book.binary) return sheet.macroSheet ? "application/vnd.ms-excel.macrosheet" : "application/vnd.ms-excel.worksheet";
  return sheet.macroSheet ? "application/vnd.ms-excel.macrosheet+xml"
                          : "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
}

std::string RelationshipType(const PackageSheet& sheet) {
  return sheet.macroSheet ? std::string(kMacroSheetRel) : std::string(kRelNs) + "/worksheet";
}

void PutWide(Bytes& out, const std::string& ascii) {
  PutU32(out, static_cast<uint32_t>(ascii.size()));
  PutUtf16(out, ascii);
}

// ---- .xlsm --------------------------------------------------------------------------------

std::string WorkbookXml(const MacroSheetBook& book) {
  std::string xml = std::string(kXmlHead) + "<workbook xmlns=\"" + kMain + "\" xmlns:r=\"" + kRelNs + "\">" +
                    "<bookViews><workbookView activeTab=\"0\"/></bookViews><sheets>";
  for (size_t i = 0; i < book.sheets.size(); ++i) {
    const auto& s = book.sheets[i];
    xml += "<sheet name=\"" + XmlEscaped(s.name) + "\" sheetId=\"" + std::to_string(i + 1) + "\"";
    if (const char* state = StateText(s.visibility)) xml += std::string(" state=\"") + state + "\"";
    xml += " r:id=\"rId" + std::to_string(i + 1) + "\"/>";
  }
  xml += "</sheets>";
  if (book.autoOpenSheet) {
    xml += "<definedNames><definedName name=\"_xlnm.Auto_Open\" hidden=\"1\">" +
           XmlEscaped(book.sheets[*book.autoOpenSheet].name) + "!$A$1</definedName></definedNames>";
  }
  return xml + "</workbook>";
}

std::string WorksheetXml(const PackageSheet& sheet) {
  return std::string(kXmlHead) + "<worksheet xmlns=\"" + kMain + "\"><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>" +
         XmlEscaped(sheet.text) + "</t></is></c></row></sheetData></worksheet>";
}

std::string MacroSheetXml(const PackageSheet& sheet) {
  std::string xml = std::string(kXmlHead) + "<xm:macrosheet xmlns=\"" + kMain + "\" xmlns:r=\"" + kRelNs +
                    "\" xmlns:xm=\"http://schemas.microsoft.com/office/excel/2006/main\"><sheetData>";
  for (size_t r = 0; r < sheet.formulas.size(); ++r) {
    const std::string row = std::to_string(r + 1);
    xml += "<row r=\"" + row + "\"><c r=\"A" + row + "\"><f>" + XmlEscaped(sheet.formulas[r]) + "</f></c></row>";
  }
  return xml + "</sheetData></xm:macrosheet>";
}

// ---- .xlsb --------------------------------------------------------------------------------

Bytes WorkbookBin(const MacroSheetBook& book) {
  Bytes out;
  PutBiff12Record(out, kBrtBeginBook, {});
  PutBiff12Record(out, kBrtBeginBookViews, {});
  Bytes view;
  for (int i = 0; i < 5; ++i) PutU32(view, 0);  // position, size, tab ratio
  PutU32(view, 0);                              // itabFirst
  PutU32(view, 0);                              // itabCur
  PutU8(view, 0x38);                            // visible, horizontal and vertical scroll, tabs
  PutBiff12Record(out, kBrtBookView, view);
  PutBiff12Record(out, kBrtEndBookViews, {});
  PutBiff12Record(out, kBrtBeginBundleShs, {});
  for (size_t i = 0; i < book.sheets.size(); ++i) {
    Bytes data;
    const auto v = book.sheets[i].visibility;
    PutU32(data, v == SheetVisibility::Hidden ? 1 : v == SheetVisibility::VeryHidden ? 2 : 0);  // hsState
    PutU32(data, static_cast<uint32_t>(i + 1));                                                  // iTabID
    PutWide(data, "rId" + std::to_string(i + 1));                                                // strRelID
    PutWide(data, book.sheets[i].name);                                                          // strName
    PutBiff12Record(out, kBrtBundleSh, data);
  }
  PutBiff12Record(out, kBrtEndBundleShs, {});
  if (book.autoOpenSheet) {
    PutBiff12Record(out, kBrtBeginExternals, {});
    PutBiff12Record(out, kBrtSupSelf, {});
    Bytes xti;
    PutU32(xti, 1);                                          // cXti
    PutU32(xti, 0);                                          // iSupBook: this workbook
    PutU32(xti, static_cast<uint32_t>(*book.autoOpenSheet)); // itabFirst
    PutU32(xti, static_cast<uint32_t>(*book.autoOpenSheet)); // itabLast
    PutBiff12Record(out, kBrtExternSheet, xti);
    PutBiff12Record(out, kBrtEndExternals, {});
    Bytes name;
    PutU32(name, 0x21);          // fHidden, fBuiltin
    PutU8(name, 0);              // chKey
    PutU32(name, 0xFFFFFFFF);    // itab: the whole workbook
    PutWide(name, "Auto_Open");
    PutU32(name, 9);             // cce
    PutU8(name, 0x3A);           // ptgRef3d
    PutU16(name, 0);             // ixti
    PutU32(name, 0);             // row
    PutU16(name, 0);             // column, absolute
    PutU32(name, 0);             // cb
    PutU32(name, 0xFFFFFFFF);    // comment: none
    PutBiff12Record(out, kBrtName, name);
  }
  PutBiff12Record(out, kBrtEndBook, {});
  return out;
}

void PutRowHeader(Bytes& out, uint32_t row) {
  Bytes data;
  PutU32(data, row);   // rw
  PutU32(data, 0);     // ixfe
  PutU16(data, 300);   // miyRw
  PutU8(data, 0);
  PutU8(data, 0);
  PutU8(data, 0);
  PutU32(data, 1);     // one column span
  PutU32(data, 0);     // colMic
  PutU32(data, 0);     // colLast
  PutBiff12Record(out, kBrtRowHdr, data);
}

Bytes SheetBin(const PackageSheet& sheet) {
  Bytes out;
  PutBiff12Record(out, kBrtBeginSheet, {});
  PutBiff12Record(out, kBrtBeginSheetData, {});
  for (size_t r = 0; r < sheet.tokens.size(); ++r) {
    PutRowHeader(out, static_cast<uint32_t>(r));
    Bytes cell;
    PutU32(cell, 0);  // column A
    PutU32(cell, 0);  // style 0
    for (int i = 0; i < 8; ++i) PutU8(cell, 0);  // the cached value 0.0
    PutU16(cell, 0);  // grbitFlags
    PutU32(cell, static_cast<uint32_t>(sheet.tokens[r].size()));
    PutBytes(cell, sheet.tokens[r]);
    PutU32(cell, 0);  // no extra formula data
    PutBiff12Record(out, kBrtFmlaNum, cell);
  }
  PutBiff12Record(out, kBrtEndSheetData, {});
  PutBiff12Record(out, kBrtEndSheet, {});
  return out;
}

}  // namespace

void PutBiff12Record(Bytes& out, uint32_t type, const Bytes& data) {
  do {
    const uint8_t low = type & 0x7F;
    type >>= 7;
    PutU8(out, static_cast<uint8_t>(low | (type != 0 ? 0x80 : 0)));
  } while (type != 0);
  auto length = static_cast<uint32_t>(data.size());
  do {
    const uint8_t low = length & 0x7F;
    length >>= 7;
    PutU8(out, static_cast<uint8_t>(low | (length != 0 ? 0x80 : 0)));
  } while (length != 0);
  PutBytes(out, data);
}

std::string SheetPartName(const MacroSheetBook& book, size_t index) { return "xl/" + SheetTarget(book, index); }

std::vector<PackagePart> MacroSheetBookParts(const MacroSheetBook& book) {
  const std::string workbook = book.binary ? "workbook.bin" : "workbook.xml";
  const std::string workbookType = book.binary ? "application/vnd.ms-excel.sheet.binary.macroEnabled.main"
                                               : "application/vnd.ms-excel.sheet.macroEnabled.main+xml";
  std::string overrides = "<Override PartName=\"/xl/" + workbook + "\" ContentType=\"" + workbookType + "\"/>";
  std::string rels;
  for (size_t i = 0; i < book.sheets.size(); ++i) {
    overrides += "<Override PartName=\"/" + SheetPartName(book, i) + "\" ContentType=\"" +
                 SheetContentType(book, book.sheets[i]) + "\"/>";
    rels += Relationship("rId" + std::to_string(i + 1), RelationshipType(book.sheets[i]), SheetTarget(book, i));
  }
  std::vector<PackagePart> parts = {
      Text("[Content_Types].xml", ContentTypes(overrides)),
      Text("_rels/.rels", Relationships(Relationship("rId1", kOfficeDocumentRel, "xl/" + workbook))),
  };
  if (book.binary) {
    parts.push_back({"xl/workbook.bin", WorkbookBin(book)});
  } else {
    parts.push_back(Text("xl/workbook.xml", WorkbookXml(book)));
  }
  parts.push_back(Text("xl/_rels/" + workbook + ".rels", Relationships(rels)));
  for (size_t i = 0; i < book.sheets.size(); ++i) {
    const auto& s = book.sheets[i];
    if (book.binary) {
      parts.push_back({SheetPartName(book, i), SheetBin(s)});
    } else {
      parts.push_back(Text(SheetPartName(book, i), s.macroSheet ? MacroSheetXml(s) : WorksheetXml(s)));
    }
  }
  return parts;
}

}  // namespace qv::writers
