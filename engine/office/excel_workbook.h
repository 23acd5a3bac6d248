// Excel workbooks: the hidden-sheet pass and the in-place repair of Excel 97 workbooks.
#pragma once

#include <cstdint>
#include <string_view>

namespace qv {

struct DocFile;
struct SignatureTables;

// The hidden-sheet pass: gathers the formulas of hidden worksheets and Excel 4 macro
// sheets of the "Workbook" stream and judges each sheet's bytes with MatchRules. Sets
// ScanKind to 2. 1 when the stream was walked; 0 for documents without a "Workbook" stream
// or when it cannot be opened or copied.
int ScanHiddenSheets(DocFile& doc, SignatureTables& tables);

// Repairs an Excel 97 or later workbook according to the pass that made the detection
// (ScanKind 1: the VBA module at ScanCursor, 2: the hidden sheet at HiddenSheetOrdinal).
// Answers kRepaired when the clean-up removed what was detected, else kRepairFailed.
int RepairExcel97Workbook(DocFile& doc);

// After a detection in VBA module stream `moduleId`: the project records of the globals
// become Date1904, Auto_Activate and Auto_Deactivate become Print_Area, a sheet named like
// the module becomes a worksheet with zeroed Window2 records, and the module stream is
// zero-filled. True when the module stream was zero-filled over its whole size.
bool CleanWorkbookProject(DocFile& doc, uint32_t moduleId, std::u16string_view moduleName);

// After a detection in the formulas of hidden sheet `sheetName`: the sheet becomes a
// worksheet, its formulas are neutralised and the built-in names of the workbook cleared.
// True when the sheet was found and its substream turned into a worksheet.
bool CleanHiddenSheet(DocFile& doc, std::u16string_view sheetName);

}  // namespace qv
