#include "engine/signature/signature_tables.h"

#include <new>

#include "engine/common/capacities.h"
#include "engine/common/work_area.h"
#include "engine/platform/platform.h"
#include "engine/signature/expression_codes.h"
#include "engine/signature/signature_set.h"

namespace qv {

std::u16string LibraryPathBeside(const std::u16string& programPath) {
  return platform::FolderPart(programPath) + u"qzmacro.vlb";
}

int LoadLibraryFile(const std::u16string& path, std::vector<uint8_t>& image) {
  auto file = platform::File::OpenRead(path);
  if (!file) return kLibraryMissing;
  const uint64_t size = file->Size();
  if (size > cap::kMaxLibraryBytes) return kLibraryNoMemory;
  try {
    image.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return kLibraryNoMemory;
  }
  // A short read is not treated specially: the checksums catch the damage.
  image.resize(file->ReadAt(0, image.data(), image.size()));
  return kLibraryLoaded;
}

int LoadSignatureLibrary(WorkArea& area) {
  return LoadLibraryFile(LibraryPathBeside(platform::ProgramPath()), area.libraryImage);
}

std::unique_ptr<SignatureTables> BuildTablesFromImage(const uint8_t* image, size_t length, ReportFn report) {
  try {
    auto tables = std::make_unique<SignatureTables>();
    tables->report = report;
    const std::vector<uint8_t> body = DecipherLibraryBody(image, length);
    if (body.empty()) return nullptr;  // no body beyond the plain header
    tables->library = ParseSignatureBody(body.data(), body.size());
    if (!tables->library) return nullptr;
    tables->matcher = BuildRuleMatcher(*tables->library);
    if (!tables->matcher) return nullptr;
    return tables;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

bool BuildSignatureTables(WorkArea& area, ReportFn report) {
  delete area.tables;
  area.tables = nullptr;
  std::unique_ptr<SignatureTables> tables =
      BuildTablesFromImage(area.libraryImage.data(), area.libraryImage.size(), report);
  std::vector<uint8_t>().swap(area.libraryImage);  // the raw image is released either way
  if (!tables) return false;
  tables->area = &area;
  area.tables = tables.release();
  return true;
}

void ReleaseSignatureTables(WorkArea& area) {
  delete area.tables;
  area.tables = nullptr;
  std::vector<uint8_t>().swap(area.libraryImage);
}

void AttachWorkArea(SignatureTables& tables, WorkArea& area) { tables.area = &area; }

int32_t MatchRulesCounted(const uint8_t* text, uint32_t length, SignatureTables& tables) {
  if (text == nullptr || length < 1 || !tables.library || !tables.matcher) return 0;
  const int32_t count = EvaluateRules(tables.matcher.get(), text, length);
  if (count <= 0 || tables.report == nullptr || tables.area == nullptr) return count < 0 ? 0 : count;
  const RuleMatcher& m = *tables.matcher;
  const std::vector<RuleRecord>& rules = tables.library->rules;
  for (size_t i = 0; i < rules.size(); ++i) {
    if (!m.ruleDone[i] || !(m.ruleScore[i] > expr::kReportedScore) || !rules[i].Enabled()) continue;
    // May throw DocumentAbandoned; nothing here needs cleaning up.
    if (!tables.report(rules[i].name.c_str(), *tables.area)) break;
  }
  return count;
}

void MatchRules(const uint8_t* text, uint32_t length, SignatureTables& tables) {
  MatchRulesCounted(text, length, tables);
}

}  // namespace qv
