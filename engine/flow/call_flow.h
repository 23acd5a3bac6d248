// The per-call flow of SCanFileVirus: work area, library, walk, per-file gate.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qv {

struct WorkArea;
class ReportObserver;

// Why a call did not walk its target.
enum class CallStatus { Ran, BadArguments, NoWorkArea, LibraryMissing, LibraryUnusable, Stopped };

struct CallOptions {
  uint8_t mode = 1;               // low byte of the export's mode argument
  bool consoleTrace = true;       // the export traces to standard output
  ReportObserver* observer = nullptr;
  const std::atomic<bool>* stop = nullptr;  // asks a package rebuild to give up between entries
  std::u16string quarantineDir;   // empty: QuarantineFolder()
  // Told once when another run holds the quarantine folder and this call waits for it.
  std::function<void()> quarantineBusy;
};

struct CallResult {
  int result = 0;                 // what SCanFileVirus answers: 1 when the call ran
  CallStatus status = CallStatus::Ran;
  std::string resultName;         // the last rule reported (narrow), or empty
};

// The whole of one SCanFileVirus call.
CallResult RunScanCall(const std::u16string& path, const CallOptions& options);

// Internal steps, exposed for tests.
// Uses the work area's quarantineDir when set, else QuarantineFolder(); makes the folder and
// opens the log in it.
bool InitWorkArea(WorkArea& area);
// `afterWalk` runs once the walk is done, while the signature tables are still loaded.
bool RunEngine(WorkArea& area, const std::vector<std::u16string>& targets, uint8_t mode, CallStatus& status,
               const std::function<void()>& afterWalk = {});
void WalkPath(WorkArea& area, const std::u16string& path, uint8_t mode);
void WalkFolder(WorkArea& area, const std::u16string& folder, std::u16string pattern, uint8_t mode);
void ProcessFile(WorkArea& area, const std::u16string& path, uint8_t mode);
int ExamineFile(WorkArea& area, const std::u16string& path, uint8_t mode);
bool ScanDocumentMacros(WorkArea& area);

}  // namespace qv
