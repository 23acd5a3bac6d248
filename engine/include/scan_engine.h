// The engine's C++ API, beside the two C exports: what a front end needs that the exports
// cannot tell (the action taken per finding, why a call did not run).
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

// What the shared library exports besides the two C functions (its other symbols are hidden).
#if defined(_WIN32)
#define QV_API /* Windows programs link the engine statically; the DLL exports only the C pair */
#else
#define QV_API __attribute__((visibility("default")))
#endif

namespace qv::api {

enum class Action { Reported, Repaired, Deleted, RepairFailed, BackupFailed, SweptDeleted };
// Stopped: `stop` was set while the call waited for another run to leave the quarantine.
enum class Status { Ran, BadArguments, NoWorkArea, LibraryMissing, LibraryUnusable, Failed, Stopped };

struct Finding {
  std::u16string path;   // the document (for a package: the package itself)
  std::string ruleName;  // empty for a swept start-up file
  Action action = Action::Reported;
};

// A document the engine could not examine: not clean, only unknown.
struct Skipped {
  std::u16string path;
  std::string reason;  // "encrypted": encrypted with a password other than the default one
};

struct ScanOptions {
  bool repair = false;        // false: report only
  bool consoleTrace = false;  // the engine's own trace on standard output
  // Set by the caller (a signal handler, say) to stop long work on a package between its
  // entries; the package is then left exactly as it was.
  const std::atomic<bool>* stop = nullptr;
  // Where copies and log.txt go; made with its parents when missing. Empty: QuarantineFolder().
  std::u16string quarantineFolder;
  // Runs sharing a quarantine folder take turns, one engine call at a time. Told once per
  // call when another run holds the folder and this call waits (until it is free or `stop`).
  std::function<void()> quarantineBusy;
};

struct ScanOutcome {
  Status status = Status::Failed;
  std::u16string resultText;  // what SCanFileVirus would put into its text buffer
  std::vector<Finding> findings;
  std::vector<Skipped> skipped;
  // Documents that a run killed in the middle of a repair had left half-way, put back as they
  // were before that repair (the first call on a quarantine after such a run does this).
  std::vector<std::u16string> undone;
};

// One engine call on a file, folder or pattern (as SCanFileVirus).
QV_API ScanOutcome ScanPath(const std::u16string& path, const ScanOptions& options);
// ReVirFile.
QV_API bool RestoreQuarantineCopy(const std::u16string& virPath, const std::u16string& destPath);
// The quarantine folder used when a caller names none, as the C exports do (with a trailing
// separator): "RepairBrack" beside the running program when that program folder is portable
// (writable, not installed system-wide), else <user data folder>/quorvane/RepairBrack/
// ($XDG_DATA_HOME, default ~/.local/share).
QV_API std::u16string QuarantineFolder();
// The folder a call with ScanOptions::quarantineFolder = `named` uses: QuarantineFolder()
// when empty, else `named` made absolute with one trailing separator ("" when impossible).
QV_API std::u16string ResolveQuarantineFolder(const std::u16string& named);
// The file name a quarantine copy restores to: the name without a trailing ".vir" (any letter
// case); a name without it gets ".restored" added, so that a restore never overwrites the copy.
QV_API std::u16string OriginalNameOf(const std::u16string& virFileName);
QV_API const char* ActionName(Action action);  // "reported", "repaired", …

}  // namespace qv::api
