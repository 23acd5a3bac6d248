// Excel 97 workbooks ([MS-XLS], BIFF8): the "Workbook" stream (globals with fonts, cell
// formats, the sheet list and the shared strings; one substream per sheet) and, for a
// workbook with macros, the VBA project in the "_VBA_PROJECT_CUR" storage with the ObProj
// and CodeName records that tie it to the workbook and its sheets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/samples/byte_sink.h"
#include "tools/samples/vba_project_writer.h"

namespace qv::samples {

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

struct Workbook {
  std::vector<SheetSpec> sheets;
  std::vector<VbaModule> modules;   // empty: no VBA project
  std::string workbookCodeName;     // with modules: the workbook's document module
};

Bytes BuildWorkbook(const Workbook& workbook);
// Only the "Workbook" stream.
Bytes BuildWorkbookStream(const Workbook& workbook);

// Parsed-formula tokens the samples use.
Bytes StringFormula(const std::string& text);  // ="text" (ptgStr)
Bytes ReturnFormula();                         // =RETURN()

}  // namespace qv::samples
