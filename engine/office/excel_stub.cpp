// Placeholder until the workbook handlers land.
#include "engine/office/dispatch.h"
#include "engine/office/excel_workbook.h"

namespace qv {
void ScanHiddenSheets(DocFile&, SignatureTables&) {}
int RepairExcel97Workbook(DocFile&) { return kRepairFailed; }
}  // namespace qv
