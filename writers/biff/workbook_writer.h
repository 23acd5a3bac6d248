// Excel 97 workbooks ([MS-XLS], BIFF8) as Excel writes them, on top of the record writer: the
// "Workbook" stream (globals with fonts, cell formats, the sheet list and the shared strings;
// one substream per sheet) and, for a workbook with macros, the VBA project in the
// "_VBA_PROJECT_CUR" storage with the ObProj and CodeName records that tie it to the
// workbook and its sheets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "writers/common/byte_sink.h"
#include "writers/ovba/vba_project.h"

namespace qv::writers {

struct SheetCell {
  uint16_t row = 0, column = 0;
  std::string text;  // ASCII; a shared-string cell
};

// A formula cell of an Excel 4.0 macro sheet: its parsed formula and its last value.
struct MacroFormula {
  uint16_t row = 0, column = 0;
  Bytes rgce;
  std::string cachedText;  // the string the formula last gave; empty: the value FALSE
};

struct SheetSpec {
  std::string name;        // ASCII
  bool hidden = false;     // hsState 1
  bool macroSheet = false; // an Excel 4.0 macro sheet (dt 1, substream type 0x0040)
  std::vector<SheetCell> cells;
  std::vector<MacroFormula> formulas;
  std::string codeName;    // the sheet's document module; empty: none
};

struct WorkbookDocument {
  std::vector<SheetSpec> sheets;
  std::vector<ovba::ModuleSpec> modules;  // empty: no VBA project
  std::string workbookCodeName;     // with modules: the workbook's document module
};

// The compound file: the "Workbook" stream, and the project in "_VBA_PROJECT_CUR".
Bytes BuildWorkbookDocument(const WorkbookDocument& workbook);
// Only the "Workbook" stream.
Bytes BuildWorkbookDocumentStream(const WorkbookDocument& workbook);

// Parsed-formula tokens the samples use.
Bytes StringFormula(const std::string& text);  // ="text" (ptgStr)
Bytes ReturnFormula();                         // =RETURN()

}  // namespace qv::writers
