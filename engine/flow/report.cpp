#include "engine/flow/report.h"

#include <array>
#include <cstring>
#include <string_view>

#include "engine/common/ascii_case.h"
#include "engine/common/quarantine.h"
#include "engine/common/repair_journal.h"
#include "engine/common/trace.h"
#include "engine/common/work_area.h"
#include "engine/office/dispatch.h"
#include "engine/platform/platform.h"
#include "engine/storage/doc_file.h"

namespace qv {
namespace {

// Start-up names; each is compared for its own length, so the path may go on after it.
std::u16string StartupName(std::u16string_view tail) {
  std::u16string name;
  name.push_back(platform::kSep);
  name += u"XLSTART";
  name.push_back(platform::kSep);
  name += tail;
  return name;
}

void Notify(WorkArea& area, const char* rule, ReportAction action) {
  if (area.observer != nullptr) area.observer->OnReport(area.currentPath, rule, action);
}

// Write access for the repair of a document that was opened for reading only: a read-only
// document is made writable when this process may (its owner, or root), and read-only again
// when the file is done (ReleaseFile). The writable descriptor must be the same file.
bool GainWriteAccess(WorkArea& area) {
  if (!area.documentReadOnly) return true;
  if (!area.document) return false;
  const auto identity = area.document->Identity();
  bool cleared = false;
  if (area.document->IsReadOnly()) {
    if (!area.document->SetReadOnly(false)) return false;
    cleared = true;
  }
  platform::RaceWindow("read-only-before-reopen");
  auto writable = platform::File::OpenReadWrite(area.currentPath);
  if (!writable || !identity || writable->Identity() != identity) {
    if (cleared) area.document->SetReadOnly(true);
    return false;
  }
  area.document = std::move(writable);
  area.documentReadOnly = false;
  area.restoreReadOnly = cleared;
  return true;
}

}  // namespace

bool IsStartupSweepName(const std::u16string& path) {
  static const std::array<std::u16string, 5> kNames = {
      StartupName(u"StartUp.xls"), StartupName(u"k4.xls"), StartupName(u"Book1"),
      StartupName(u"BINV.XLS"), StartupName(u"RESULTS.XLS")};
  if (path.size() < 14) return false;
  for (size_t pos = 0; pos < path.size(); ++pos) {
    for (const auto& name : kNames) {
      if (StartsWithFoldingAscii(std::u16string_view(path).substr(pos), name)) return true;
    }
  }
  return false;
}

bool DeleteInfectedFile(WorkArea& area) {
  if (area.document && area.document->InMemory() != nullptr) {
    // A part held in memory has no file: it is left out of the rebuilt package instead.
    area.document->InMemory()->deleted = true;
    area.document.reset();
    return true;
  }
  if (area.document) {
    area.document->SetReadOnly(false);  // through the open file, never through a swapped name
  } else {
    platform::ClearReadOnly(area.currentPath);
  }
  area.restoreReadOnly = false;
  if (area.document) area.document->Close();
  area.document.reset();
  return platform::DeletePath(area.currentPath);
}

bool ReportInfection(const char* ruleName, WorkArea& area) {
  TraceReportTime(area);
  std::strncpy(area.resultName, ruleName, sizeof area.resultName - 1);
  area.resultName[sizeof area.resultName - 1] = '\0';
  TraceReportPath(area);
  TraceReportRule(area, ruleName);

  if (!BackupToQuarantine(area, area.currentPath, ruleName)) {
    TraceBackupFailed(area);
    Notify(area, ruleName, ReportAction::BackupFailed);
    throw DocumentAbandoned{};
  }
  if (area.repairMode == 0) {
    TraceBoth(area, "\n");
    Notify(area, ruleName, ReportAction::Reported);
    return true;
  }
  if (IsStartupSweepName(area.currentPath)) {
    if (DeleteInfectedFile(area)) {
      TraceBoth(area, " , deleted\n");
      Notify(area, ruleName, ReportAction::Deleted);
    } else {
      Notify(area, ruleName, ReportAction::RepairFailed);
    }
    return true;
  }
  if (!GainWriteAccess(area)) {
    // Neither changed nor deleted: the copy is kept and the user may repair it later.
    TraceBoth(area, " , kill failed (read-only)\n");
    Notify(area, ruleName, ReportAction::RepairFailed);
    return true;
  }
  // The repair's writes are held, then applied together under a journal: an interrupted
  // repair leaves the document as it was or fully repaired. One whose writes did not reach
  // the document answers no result of its own, and the document stays as it was.
  int repair = 0;
  if (area.docFile != nullptr) {
    BeginRepairWrites(area);
    repair = RepairDocument(*area.docFile);
    if (repair == kRepaired) {
      if (!CommitRepairWrites(area)) repair = 0;
    } else {
      DiscardRepairWrites(area);
    }
  }
  if (repair == kRepaired) {
    TraceBoth(area, " , killed\n");
    Notify(area, ruleName, ReportAction::Repaired);
  } else if (repair == kRepairFailed) {
    TraceBoth(area, " , kill failed");
    if (DeleteInfectedFile(area)) {
      TraceBoth(area, " , deleted\n");
      Notify(area, ruleName, ReportAction::Deleted);
    } else {
      Notify(area, ruleName, ReportAction::RepairFailed);
    }
  } else {
    Notify(area, ruleName, ReportAction::RepairFailed);
  }
  return true;
}

void RunStartupSweep(WorkArea& area, const std::u16string& path) {
  area.currentPath = path;
  area.document = platform::File::OpenReadWrite(path);
  if (!area.document) return;
  area.fileSize = static_cast<uint32_t>(area.document->Size());
  if (!BackupToQuarantine(area, path, std::string())) {
    area.document.reset();
    return;
  }
  if (!DeleteInfectedFile(area)) return;
  TraceSweepLine(area);
  if (area.observer != nullptr) area.observer->OnReport(path, std::string(), ReportAction::SweptDeleted);
}

}  // namespace qv
