#include "engine/common/quarantine_session.h"

#include "engine/common/capacities.h"
#include "engine/common/leftover_records.h"
#include "engine/common/repair_journal.h"
#include "engine/common/trace.h"
#include "engine/common/work_area.h"
#include "engine/platform/platform.h"

namespace qv {
namespace {

// Present while a call holds the quarantine; found by the next one when its holder died.
std::u16string RunMarkerPath(const std::u16string& quarantineDir) { return InProgressFolder(quarantineDir) + u"run.active"; }
std::u16string LockPath(const std::u16string& quarantineDir) { return InProgressFolder(quarantineDir) + u"run.lock"; }

void LogUndone(WorkArea& area, const std::u16string& document) {
  area.takenUpAt = platform::Now();
  area.currentPath = document;
  TraceReportTime(area);
  TraceReportPath(area);
  TraceBoth(area, " , interrupted repair undone\n");
  if (area.observer != nullptr) area.observer->OnRepairUndone(document);
}

// What a run that died left here: its journal is rolled back, its half-written copies and
// its temporary files elsewhere are removed.
void PutRightWhatADeadRunLeft(WorkArea& area) {
  const std::u16string folder = InProgressFolder(area.quarantineDir);
  const JournalRecovery recovery = RecoverRepairJournal(area.quarantineDir);
  for (const auto& document : recovery.undone) LogUndone(area, document);
  area.interruptedRepairs.insert(recovery.notUndone.begin(), recovery.notUndone.end());
  for (const auto& entry : platform::ListFolder(folder, u"*.part")) {
    if (!entry.isFolder) platform::DeletePath(folder + entry.name);
  }
  RemoveRecordedLeftovers(area.quarantineDir);
  const std::u16string marker = RunMarkerPath(area.quarantineDir);
  if (platform::GetPathKind(marker) != platform::PathKind::Missing) platform::RemoveStaleTempFolders();
  if (auto file = platform::File::CreateTruncate(marker)) file->Close();
  area.currentPath.clear();
}

}  // namespace

QuarantineTurn TakeQuarantineTurn(WorkArea& area, const std::atomic<bool>* stop, const std::function<void()>& onBusy) {
  const std::u16string folder = InProgressFolder(area.quarantineDir);
  platform::CreateFolder(folder);  // exists after the first run
  bool told = false;
  for (;;) {
    switch (area.quarantineLock.TryAcquire(LockPath(area.quarantineDir))) {
      case platform::FileLock::Result::Acquired:
        PutRightWhatADeadRunLeft(area);
        return QuarantineTurn::Taken;
      case platform::FileLock::Result::Failed:
        return QuarantineTurn::Unlocked;
      case platform::FileLock::Result::Busy:
        break;
    }
    if (stop != nullptr && stop->load()) return QuarantineTurn::Stopped;
    if (!told && onBusy) onBusy();
    told = true;
    platform::SleepMilliseconds(cap::kQuarantineWaitMilliseconds);
  }
}

void EndQuarantineTurn(WorkArea& area) {
  if (!area.quarantineLock.Held()) return;
  platform::DeletePath(RunMarkerPath(area.quarantineDir));
  area.quarantineLock.Release();
}

}  // namespace qv
