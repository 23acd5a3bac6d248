// Placeholder until the signature library lands: loads the file, builds nothing.
#include "engine/common/work_area.h"
#include "engine/signature/signature_tables.h"

namespace qv {

struct SignatureTables {
  WorkArea* area = nullptr;
  ReportFn report = nullptr;
};

int LoadSignatureLibrary(WorkArea& area) {
  std::u16string path = platform::ProgramPath();
  const size_t cut = path.rfind(platform::kSep);
  path = (cut == std::u16string::npos ? std::u16string() : path.substr(0, cut + 1)) + u"qzmacro.vlb";
  auto file = platform::File::OpenRead(path);
  if (!file) return kLibraryMissing;
  area.libraryImage.resize(file->Size());
  file->ReadAt(0, area.libraryImage.data(), area.libraryImage.size());
  return kLibraryLoaded;
}

bool BuildSignatureTables(WorkArea& area, ReportFn report) {
  area.tables = new SignatureTables{&area, report};
  return true;
}

void ReleaseSignatureTables(WorkArea& area) {
  delete area.tables;
  area.tables = nullptr;
  area.libraryImage.clear();
}

void AttachWorkArea(SignatureTables& tables, WorkArea& area) { tables.area = &area; }

void MatchRules(const uint8_t*, uint32_t, SignatureTables&) {}

}  // namespace qv
