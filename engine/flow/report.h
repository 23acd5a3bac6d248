// What happens once the matcher names a virus: log, quarantine copy, then report only,
// repair or delete. Also the start-up sweep of well-known dropper workbooks.
#pragma once

#include <string>

namespace qv {

struct WorkArea;

// Thrown by ReportInfection when the quarantine copy cannot be made; caught only by
// ScanDocumentMacros, which abandons the document. Engine code never catches it elsewhere.
struct DocumentAbandoned {};

bool ReportInfection(const char* ruleName, WorkArea& area);
bool IsStartupSweepName(const std::u16string& path);
bool DeleteInfectedFile(WorkArea& area);
// The sweep of a start-up file that passed the signature gate.
void RunStartupSweep(WorkArea& area, const std::u16string& path);

}  // namespace qv
