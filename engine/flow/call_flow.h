// The per-call flow of SCanFileVirus: work area, library, walk, per-file gate.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/common/work_area.h"
#include "engine/signature/library_cache.h"

namespace qv {

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
  bool logWriteFailed = false;    // a line for log.txt could not be written (a full disk, say)
};

// What outlives the calls of one engine session: the built signature library (rebuilt when
// qzmacro.vlb changes), the work area's large tables and the captured console information.
// Everything else of a call is made anew per call. Calls of one session must not overlap;
// sessions on different threads share nothing.
class EngineSession {
 public:
  // The whole of one SCanFileVirus call.
  CallResult Run(const std::u16string& path, const CallOptions& options);
  // How many times this session built the signature tables.
  uint64_t LibraryBuilds() const { return library_.Builds(); }

 private:
  LibraryCache library_;
  WorkAreaMemory memory_;
  std::optional<int16_t> consoleWidth_;
};

// The whole of one SCanFileVirus call in a session of its own (nothing is kept).
CallResult RunScanCall(const std::u16string& path, const CallOptions& options);

// Internal steps, exposed for tests.
// Uses the work area's quarantineDir when set, else QuarantineFolder(); makes the folder and
// opens the log in it.
bool InitWorkArea(WorkArea& area);
// `afterWalk` runs once the walk is done, while the signature tables are still loaded. The
// tables come from `library` (a session's), or are built for this call alone when it is null.
bool RunEngine(WorkArea& area, const std::vector<std::u16string>& targets, uint8_t mode, CallStatus& status,
               const std::function<void()>& afterWalk = {}, LibraryCache* library = nullptr);
void WalkPath(WorkArea& area, const std::u16string& path, uint8_t mode);
void WalkFolder(WorkArea& area, const std::u16string& folder, std::u16string pattern, uint8_t mode);
void ProcessFile(WorkArea& area, const std::u16string& path, uint8_t mode);
// `opened`: the document as the walk's gate opened it, for reading. A report (mode 0) changes
// nothing in the document and examines that file; a repair opens the document for writing.
int ExamineFile(WorkArea& area, const std::u16string& path, uint8_t mode,
                std::optional<platform::File> opened = std::nullopt);
// ExamineFile for the document already open in area.document (currentPath and repairMode set).
int ExamineOpenDocument(WorkArea& area);
// ProcessFile for a package's project part held in memory, walked under `name`.
void ProcessMemoryPart(WorkArea& area, const std::u16string& name, const std::shared_ptr<MemoryPart>& part,
                       uint8_t mode);
bool ScanDocumentMacros(WorkArea& area);

}  // namespace qv
