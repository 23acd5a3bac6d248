// Type detection and dispatch of compound documents, and the repair dispatcher.
#pragma once

#include <cstdint>

namespace qv {

struct DocFile;

inline constexpr int kRepaired = 3;      // RepairResult
inline constexpr int kRepairFailed = 5;  // the file is then deleted

// Nonzero: recognised and opened, run the macro pass; 0: leave the file alone.
int DispatchDocument(DocFile& doc);
// Repairs the document for the detection at the doc's scan cursor; answers a RepairResult.
int RepairDocument(DocFile& doc);
// Sets the ScanKind field (1 = module pass) before the macro pass.
void BeginMacroPass(DocFile& doc);

}  // namespace qv
