// Open XML workbooks with Excel 4.0 macro sheets: .xlsm (XML parts, formulas as text in <f>)
// and .xlsb (BIFF12 parts, formulas as rgce tokens), with worksheets beside them, sheet
// states (visible, hidden, veryHidden) and an Auto_Open name that points at a macro sheet.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "writers/common/byte_sink.h"
#include "writers/zip/package_writer.h"

namespace qv::writers {

enum class SheetVisibility { Visible, Hidden, VeryHidden };

struct PackageSheet {
  std::string name;
  bool macroSheet = false;
  SheetVisibility visibility = SheetVisibility::Visible;
  std::string text;                   // a worksheet's A1 text
  std::vector<std::string> formulas;  // a macro sheet in .xlsm: one formula per row of column A
  std::vector<Bytes> tokens;          // a macro sheet in .xlsb: one rgce per row of column A
};

struct MacroSheetBook {
  bool binary = false;                 // .xlsb rather than .xlsm
  std::vector<PackageSheet> sheets;
  std::optional<size_t> autoOpenSheet; // an Auto_Open name pointing at A1 of that sheet
};

// The parts in package order: content types, relationships, workbook, its relationships,
// then one part per sheet (xl/worksheets/sheetN.*, xl/macrosheets/sheetN.*).
std::vector<PackagePart> MacroSheetBookParts(const MacroSheetBook& book);

// The part names the writer gives sheet `index` (0-based) of `book`.
std::string SheetPartName(const MacroSheetBook& book, size_t index);

// BIFF12 record: 1-2 byte type, 1-4 byte length (7 bits each, low first), data.
void PutBiff12Record(Bytes& out, uint32_t type, const Bytes& data);

}  // namespace qv::writers
