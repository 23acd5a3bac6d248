#include "engine/common/quarantine_session.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

#include "engine/common/capacities.h"
#include "engine/common/leftover_records.h"
#include "engine/common/repair_journal.h"
#include "engine/common/trace.h"
#include "engine/common/work_area.h"
#include "engine/platform/platform.h"

namespace qv {
namespace {

constexpr char16_t kLockName[] = u"run.lock";
// Left by earlier versions while a call held the quarantine; removed with the rest.
std::u16string RunMarkerPath(const std::u16string& quarantineDir) { return InProgressFolder(quarantineDir) + u"run.active"; }
std::u16string LockPath(const std::u16string& quarantineDir) { return InProgressFolder(quarantineDir) + kLockName; }

void LogUndone(WorkArea& area, const std::u16string& document) {
  area.takenUpAt = platform::Now();
  area.currentPath = document;
  TraceReportTime(area);
  TraceReportPath(area);
  TraceBoth(area, " , interrupted repair undone\n");
  if (area.observer != nullptr) area.observer->OnRepairUndone(document);
}

// Whether the in-progress folder holds anything besides the lock: a journal, a partial copy
// or a leftover record that a call ending normally would have removed. One listing, so that
// the usual case (nothing there) costs next to nothing per call.
bool SomethingLeftInProgress(const std::u16string& folder) {
  for (const auto& entry : platform::ListFolder(folder, u"*")) {
    if (entry.name != kLockName) return true;
  }
  return false;
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
  platform::DeletePath(RunMarkerPath(area.quarantineDir));
  platform::RemoveStaleTempFolders();
  area.currentPath.clear();
}

}  // namespace

namespace {

// The calls of this process that hold a quarantine folder. The folder's lock file is taken
// once for all of them: the first call takes it (and puts right what a dead run left), the last
// one gives it back. Report-only calls share their turn (engine sessions on several threads of
// one run); a repairing call has the folder to itself, since a repair's journal and its partial
// copy have one name each. This is process-wide on purpose: a lock file held twice by one
// process would make its own threads wait for each other as for another run.
struct FolderTurns {
  platform::FileLock lock;
  int sharing = 0;     // report-only calls holding the folder
  bool alone = false;  // a repairing call holds it
};
struct ProcessTurns {
  std::mutex mutex;
  std::condition_variable changed;
  std::map<std::u16string, FolderTurns> folders;
  // The temporary folders of processes that ended are looked for once per process, at its
  // first turn: a run that died with one left no other trace.
  bool staleTempFoldersRemoved = false;
};
ProcessTurns& Turns() {
  static ProcessTurns turns;
  return turns;
}

}  // namespace

QuarantineTurn TakeQuarantineTurn(WorkArea& area, const std::atomic<bool>* stop, const std::function<void()>& onBusy,
                                  bool alone) {
  const std::u16string folder = InProgressFolder(area.quarantineDir);
  const std::u16string lockPath = LockPath(area.quarantineDir);
  ProcessTurns& turns = Turns();
  std::unique_lock<std::mutex> guard(turns.mutex);
  bool told = false;
  for (;;) {
    const auto held = turns.folders.find(lockPath);
    if (held != turns.folders.end()) {
      // Held by this process already: join it, or wait for this process's other calls.
      FolderTurns& f = held->second;
      if (!f.alone && (!alone || f.sharing == 0)) {
        if (alone) {
          f.alone = true;
        } else {
          ++f.sharing;
        }
        area.quarantineTurn = alone ? QuarantineTurnKind::Alone : QuarantineTurnKind::Shared;
        area.quarantineTurnPath = lockPath;
        return QuarantineTurn::Taken;
      }
      if (stop != nullptr && stop->load()) return QuarantineTurn::Stopped;
      turns.changed.wait_for(guard, std::chrono::milliseconds(cap::kQuarantineWaitMilliseconds));
      continue;
    }
    platform::FileLock lock;
    platform::FileLock::Result result = lock.TryAcquire(lockPath);
    if (result == platform::FileLock::Result::Failed && platform::GetPathKind(folder) == platform::PathKind::Missing) {
      platform::CreateFolder(folder);  // exists after the first run
      result = lock.TryAcquire(lockPath);
    }
    switch (result) {
      case platform::FileLock::Result::Acquired: {
        FolderTurns& f = turns.folders[lockPath];
        f.lock = std::move(lock);
        if (alone) {
          f.alone = true;
        } else {
          f.sharing = 1;
        }
        area.quarantineTurn = alone ? QuarantineTurnKind::Alone : QuarantineTurnKind::Shared;
        area.quarantineTurnPath = lockPath;
        if (SomethingLeftInProgress(folder)) {
          PutRightWhatADeadRunLeft(area);
        } else if (!turns.staleTempFoldersRemoved) {
          platform::RemoveStaleTempFolders();
        }
        turns.staleTempFoldersRemoved = true;
        return QuarantineTurn::Taken;
      }
      case platform::FileLock::Result::Failed:
        return QuarantineTurn::Unlocked;
      case platform::FileLock::Result::Busy:
        break;
    }
    // Another run holds it.
    if (stop != nullptr && stop->load()) return QuarantineTurn::Stopped;
    guard.unlock();
    if (!told && onBusy) onBusy();
    told = true;
    platform::SleepMilliseconds(cap::kQuarantineWaitMilliseconds);
    guard.lock();
  }
}

void EndQuarantineTurn(WorkArea& area) {
  if (area.quarantineTurn == QuarantineTurnKind::None) return;
  ProcessTurns& turns = Turns();
  {
    std::lock_guard<std::mutex> guard(turns.mutex);
    const auto held = turns.folders.find(area.quarantineTurnPath);
    if (held != turns.folders.end()) {
      FolderTurns& f = held->second;
      if (area.quarantineTurn == QuarantineTurnKind::Alone) {
        f.alone = false;
      } else if (f.sharing > 0) {
        --f.sharing;
      }
      if (!f.alone && f.sharing == 0) {
        f.lock.Release();
        turns.folders.erase(held);
      }
    }
  }
  area.quarantineTurn = QuarantineTurnKind::None;
  area.quarantineTurnPath.clear();
  turns.changed.notify_all();
}

}  // namespace qv
