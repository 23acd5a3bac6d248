// The macro-sheet pass of Open XML workbooks: hidden Excel 4.0 macro sheets are judged sheet
// by sheet; a detection quarantines the whole document and, when repairing, the package is
// rebuilt without the detected sheets.
#pragma once

#include <string>

namespace qv {

struct WorkArea;
class ReportObserver;

// Runs while the signature tables are loaded. `path` is the document the caller named;
// reports go to `observer` (may be null) under that path, with the log and the console trace
// as for any other report. Nothing happens for files that are not workbook packages. Answers
// why the workbook could not be examined completely (a part that cannot be read whole, past
// its bounds, or a stop request); empty when it could. The caller tells the observer.
std::string ScanPackageMacroSheets(WorkArea& area, const std::u16string& path, ReportObserver* observer);

}  // namespace qv
