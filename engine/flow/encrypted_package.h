// Open XML packages saved encrypted with the default password (a compound file with
// "EncryptionInfo" and "EncryptedPackage"): deciphered in memory, their VBA project part is
// scanned like any other. Packages that another password protects are reported as not
// examined.
#pragma once

namespace qv {

struct WorkArea;
struct SignatureTables;

// Runs on the document open in `area` when it is an encrypted package; otherwise nothing.
// Does not return when a report abandons the document (DocumentAbandoned).
void ScanEncryptedPackage(WorkArea& area, SignatureTables& tables);

}  // namespace qv
