// Placeholder until the compound-file reader lands.
#include "engine/storage/doc_file.h"

#include <new>

namespace qv {

DocFile* NewDocFile(WorkArea& area) {
  auto* doc = new (std::nothrow) DocFile();
  if (doc != nullptr) doc->workArea = &area;
  return doc;
}
void FreeDocFile(DocFile* doc) { delete doc; }
int OpenCompoundFile(DocFile&) { return 0; }
void CloseDocFile(DocFile&) {}
bool HasDirectoryTable(const DocFile& doc) { return doc.directory != nullptr; }

}  // namespace qv
