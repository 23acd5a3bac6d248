// The engine's C++ API, beside the two C exports: what a front end needs that the exports
// cannot tell (the action taken per finding, why a call did not run).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// What the shared library exports besides the two C functions (its other symbols are hidden).
#if defined(_WIN32)
#define QV_API /* Windows programs link the engine statically; the DLL exports only the C pair */
#else
#define QV_API __attribute__((visibility("default")))
#endif

namespace qv {
class EngineSession;
}

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
  bool logWriteFailed = false;  // a line for log.txt could not be written (a full disk, say)
  // Documents that a run killed in the middle of a repair had left half-way, put back as they
  // were before that repair (the first call on a quarantine after such a run does this).
  std::vector<std::u16string> undone;
};

// One engine call on a file, folder or pattern (as SCanFileVirus), in a session of its own:
// the signature library is read and built for this call alone.
QV_API ScanOutcome ScanPath(const std::u16string& path, const ScanOptions& options);

// An engine session: calls that keep what they can between them. The signature library is
// read on every call but deciphered and built only when its content changed since the
// session last built it (a removed library fails the next call as in ScanPath); the work
// area's tables are allocated once. Each session has its own state (library, work area,
// console information), so sessions on different threads may scan at the same time; the
// calls of one session must not overlap.
class QV_API Session {
 public:
  Session();
  ~Session();
  Session(Session&&) noexcept;
  Session& operator=(Session&&) noexcept;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // As ScanPath, with this session's kept state.
  ScanOutcome Scan(const std::u16string& path, const ScanOptions& options);
  // How many times this session built the signature library so far.
  uint64_t LibraryBuilds() const;

 private:
  std::unique_ptr<qv::EngineSession> engine_;
};
// ReVirFile: replaces what is at destPath.
QV_API bool RestoreQuarantineCopy(const std::u16string& virPath, const std::u16string& destPath);
enum class RestoreResult { Restored, DestinationExists, Failed };
// A restore that leaves an existing destination (a file or a link) alone unless `replace`.
// Either way the bytes go into a new file that is renamed into place: on any failure the
// destination is exactly as before, and a link there is replaced, never written through.
QV_API RestoreResult RestoreQuarantineCopyAs(const std::u16string& virPath, const std::u16string& destPath,
                                             bool replace);
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

// Where a quarantine copy came from, as the quarantine index tells.
struct CopyOrigin {
  std::u16string path;  // the document's full path
  std::string time;     // "YYYY-MM-DD hh:mm:ss", local time of the copy
  std::string rule;     // the rule that fired; empty for a swept start-up file
};
// The origins of the copies in a quarantine folder (with its trailing separator), by copy file
// name; only copies that are still exactly what the index describes are in it.
QV_API std::map<std::u16string, CopyOrigin> QuarantineOrigins(const std::u16string& quarantineFolder);

}  // namespace qv::api
