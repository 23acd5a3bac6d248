// The module pass: every stream of a document searched for compressed VBA source.
#pragma once

#include <cstdint>

namespace qv {

struct DocFile;
struct SignatureTables;

// Visits every directory entry in id order (ScanCursor), in all storages; each stream but
// "dir" that holds module source has its text judged by the matcher. Leaves ScanCursor at
// DirCount. A repair made by the matcher may change the file under the pass: nothing of a
// stream is kept across the matcher call, so the rest of the pass reads the changed file.
// Does not return when a report abandons the document (DocumentAbandoned).
void ScanVbaModules(DocFile& doc, SignatureTables& tables);

// Reads stream `id` (Stream Size `size`) and searches it for module source; the text is left
// in doc.sourceText. The length to judge, 0 when there is nothing (NOSTREAM, a stream that
// cannot be opened or whose first byte is not 0x01, no memory for the stream's bytes).
uint32_t ExtractModuleSource(DocFile& doc, uint32_t id, uint32_t size);

}  // namespace qv
