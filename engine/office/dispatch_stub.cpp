// Placeholder until the document handlers land: no document is recognised.
#include "engine/office/dispatch.h"

namespace qv {
int DispatchDocument(DocFile&) { return 0; }
int RepairDocument(DocFile&) { return 0; }
void ScanHiddenSheets(DocFile&, SignatureTables&) {}
void BeginMacroPass(DocFile&) {}
}  // namespace qv
