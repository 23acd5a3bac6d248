// Excel workbooks: the hidden-sheet pass and the in-place repair of Excel 97 workbooks.
#pragma once

namespace qv {

struct DocFile;
struct SignatureTables;

// The hidden-sheet pass: gathers the formulas of hidden worksheets and Excel 4 macro
// sheets of the "Workbook" stream and judges each sheet's bytes with MatchRules. Finds
// nothing in documents without such a stream.
void ScanHiddenSheets(DocFile& doc, SignatureTables& tables);

// Repairs an Excel 97 or later workbook according to the pass that made the detection
// (ScanKind 1: the VBA project, 2: the hidden sheet). Answers kRepaired or kRepairFailed.
int RepairExcel97Workbook(DocFile& doc);

}  // namespace qv
