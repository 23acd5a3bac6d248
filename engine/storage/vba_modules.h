// The module pass: every stream of a document searched for compressed VBA source.
#pragma once

namespace qv {

struct DocFile;
struct SignatureTables;

void ScanVbaModules(DocFile& doc, SignatureTables& tables);

}  // namespace qv
