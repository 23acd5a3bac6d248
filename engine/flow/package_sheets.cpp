#include "engine/flow/package_sheets.h"

#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "engine/common/quarantine.h"
#include "engine/common/trace.h"
#include "engine/common/work_area.h"
#include "engine/platform/platform.h"
#include "engine/signature/signature_set.h"
#include "engine/signature/signature_tables.h"
#include "engine/zip/macro_sheet_package.h"
#include "engine/zip/open_xml.h"

namespace qv {
namespace {

struct Finding {
  zip::HiddenMacroSheet sheet;
  std::string rule;
};

// The matcher's reports during the pass are only gathered; the reaction follows once every
// sheet has been judged.
bool GatherRule(const char* ruleName, WorkArea& area) {
  if (area.gatheredRules != nullptr) area.gatheredRules->emplace_back(ruleName);
  return true;
}

// Points the tables' reports at GatherRule for as long as it lives.
class GatheringReports {
 public:
  GatheringReports(WorkArea& area, std::vector<std::string>& gathered)
      : area_(area), saved_(area.tables->report) {
    area_.tables->report = &GatherRule;
    area_.gatheredRules = &gathered;
    AttachWorkArea(*area_.tables, area_);
  }
  ~GatheringReports() {
    area_.tables->report = saved_;
    area_.gatheredRules = nullptr;
  }
  GatheringReports(const GatheringReports&) = delete;
  GatheringReports& operator=(const GatheringReports&) = delete;

 private:
  WorkArea& area_;
  ReportFn saved_;
};

void TraceFinding(WorkArea& area, const std::string& rule) {
  TraceReportTime(area);
  std::strncpy(area.resultName, rule.c_str(), sizeof area.resultName - 1);
  area.resultName[sizeof area.resultName - 1] = '\0';
  TraceReportPath(area);
  TraceReportRule(area, rule.c_str());
}

std::string ScanPackageMacroSheetsUnguarded(WorkArea& area, const std::u16string& path, ReportObserver* observer);

}  // namespace

std::string ScanPackageMacroSheets(WorkArea& area, const std::u16string& path, ReportObserver* observer) {
  try {
    return ScanPackageMacroSheetsUnguarded(area, path, observer);
  } catch (const std::bad_alloc&) {
    return kSkippedTooLarge;  // memory ran out for this package: it is left as it is, not clean
  }
}

namespace {
std::string ScanPackageMacroSheetsUnguarded(WorkArea& area, const std::u16string& path, ReportObserver* observer) {
  if (area.tables == nullptr || platform::GetPathKind(path) != platform::PathKind::File) return {};
  if (!StartsWithLocalHeader(path)) return {};
  std::vector<Finding> findings;
  std::vector<std::string> gathered;
  SignatureTables& tables = *area.tables;
  std::optional<zip::MacroSheetWorkbook> workbook;
  {
    GatheringReports gathering(area, gathered);
    workbook = zip::JudgeHiddenMacroSheets(path, [&](const zip::HiddenMacroSheet& sheet, std::string_view formulas) {
      gathered.clear();
      MatchRules(reinterpret_cast<const uint8_t*>(formulas.data()), static_cast<uint32_t>(formulas.size()), tables);
      for (auto& rule : gathered) findings.push_back({sheet, std::move(rule)});
    }, area.stop);
  }
  if (!workbook) return {};
  // A part the pass could not read may hold a macro sheet: the workbook is not clean.
  const std::string notExamined = workbook->notExamined;
  if (findings.empty()) return notExamined;

  area.currentPath = platform::FullPath(path);
  auto notify = [&](const std::string& rule, ReportAction action) {
    if (observer != nullptr) observer->OnReport(area.currentPath, rule, action);
  };
  // The user must be able to get the document back exactly as it was, whatever follows.
  if (!QuarantineWholeFile(area.quarantineDir, area.currentPath, findings.front().rule)) {
    for (const auto& f : findings) {
      TraceFinding(area, f.rule);
      TraceBackupFailed(area);
      notify(f.rule, ReportAction::BackupFailed);
    }
    return notExamined;
  }
  bool removed = false;
  if (area.repairMode != 0) {
    std::vector<zip::HiddenMacroSheet> sheets;
    for (const auto& f : findings) {
      bool known = false;
      for (const auto& s : sheets) known = known || s.partName == f.sheet.partName;
      if (!known) sheets.push_back(f.sheet);
    }
    removed = zip::RebuildWithoutMacroSheets(area.currentPath, *workbook, sheets, area.stop, area.quarantineDir) ==
              zip::SheetRemoval::Replaced;
  }
  for (const auto& f : findings) {
    TraceFinding(area, f.rule);
    if (area.repairMode == 0) {
      TraceBoth(area, "\n");
      notify(f.rule, ReportAction::Reported);
    } else if (removed) {
      TraceBoth(area, " , killed\n");
      notify(f.rule, ReportAction::Repaired);
    } else {
      TraceBoth(area, " , kill failed\n");
      notify(f.rule, ReportAction::RepairFailed);
    }
  }
  return notExamined;
}

}  // namespace
}  // namespace qv
