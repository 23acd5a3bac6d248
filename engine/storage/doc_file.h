// The per-document object: compound-file state first, then the document handlers' fields.
#pragma once

#include <cstdint>

namespace qv {

struct WorkArea;

struct DocFile {
  WorkArea* workArea = nullptr;
  void* directory = nullptr;  // the directory table; null when there is none
};

// Creates a zero-filled DocFile linked to the work area; null when memory is lacking.
DocFile* NewDocFile(WorkArea& area);
void FreeDocFile(DocFile* doc);
// 1 when the document is a usable compound file, else 0.
int OpenCompoundFile(DocFile& doc);
// Releases the memory image and tables of the document.
void CloseDocFile(DocFile& doc);
bool HasDirectoryTable(const DocFile& doc);

}  // namespace qv
