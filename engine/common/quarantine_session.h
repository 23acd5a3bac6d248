// Runs that share a quarantine folder take turns: each engine call holds the folder's lock
// from its start to its end, so two runs never write the same copy, journal or document at
// once. A call that finds the lock held waits for it (and says so once); the one that takes
// it first puts right what a run that died left there.
#pragma once

#include <atomic>
#include <functional>
#include <string>

namespace qv {

struct WorkArea;

enum class QuarantineTurn {
  Taken,     // the lock is held; what a dead run left is put right
  Unlocked,  // the file system offers no lock: the call goes on without one, as before
  Stopped,   // the caller asked to stop while waiting
};

// Call once the quarantine folder exists. `onBusy`, when given, hears once that another run
// holds the folder and this call waits; `stop` ends the wait.
// A repairing call (`alone`) has the folder to itself; report-only calls of one process share it.
QuarantineTurn TakeQuarantineTurn(WorkArea& area, const std::atomic<bool>* stop, const std::function<void()>& onBusy,
                                  bool alone);
// The call is done: a later run will find nothing of it in hand. The work area ends its turn
// when it goes, if the call did not.
void EndQuarantineTurn(WorkArea& area);

}  // namespace qv
