// The state of one SCanFileVirus call. Created zero-filled at the start of a call and
// released before it returns; only files on disk outlive it.
#pragma once

#include <cstdint>
#include <set>
#include <optional>
#include <string>
#include <vector>

#include "engine/common/allocation_register.h"
#include "engine/common/skip_reasons.h"
#include "engine/common/capacities.h"
#include "engine/platform/platform.h"
#include "engine/storage/reader_tables.h"

namespace qv {

struct DocFile;
struct SignatureTables;

// What the engine did about one report; told to an optional observer (the C++ API).
enum class ReportAction { Reported, Repaired, Deleted, RepairFailed, BackupFailed, SweptDeleted };

class ReportObserver {
 public:
  virtual ~ReportObserver() = default;
  virtual void OnReport(const std::u16string& path, const std::string& ruleName, ReportAction action) = 0;
  // A document that could not be examined, and why ("encrypted"): it is not clean, only unknown.
  virtual void OnSkipped(const std::u16string& /*path*/, const std::string& /*reason*/) {}
  // A document a run that died had left half repaired, put back as it was before.
  virtual void OnRepairUndone(const std::u16string& /*path*/) {}
};

// One write of the repair in hand, held until the repair is complete (repair_journal.h).
struct HeldWrite {
  uint64_t offset = 0;
  std::vector<uint8_t> bytes;
};

struct WorkArea {
  uint8_t head[cap::kHeadBytes] = {};    // first bytes of the document being examined
  ReaderTables readerTables;             // preallocated tables of the compound-file reader
  uint32_t fileSize = 0;                 // low 32 bits of the document's size
  AllocationRegister allocations;        // heap blocks of the current document
  std::optional<platform::File> document;  // open for reading and writing
  platform::AppendLog log;               // "log.txt", appended to
  uint8_t repairMode = 0;                // nonzero: repair; zero: report only
  platform::LocalTime takenUpAt;         // when the current file passed the gate
  char resultName[cap::kResultNameBytes] = {};  // last rule reported in this call
  std::u16string logPath;
  std::u16string currentPath;
  std::u16string quarantineDir;          // ends with the separator
  DocFile* docFile = nullptr;            // owned; freed after every file
  SignatureTables* tables = nullptr;     // owned; released when the walk ends
  std::vector<uint8_t> libraryImage;     // raw library bytes between loading and deciphering

  // Quarantine copies written in this call, by document path: repeated reports on one
  // document keep its first (pre-repair) copy.
  std::set<std::u16string> quarantinedThisCall;
  // The package whose extracted project parts are walked (empty otherwise). In repair mode its
  // whole copy is the quarantine copy: a part gets no second copy of its own.
  std::u16string packagePath;
  ReportObserver* observer = nullptr;    // not owned; may be null
  std::vector<std::string>* gatheredRules = nullptr;  // not owned; the macro-sheet pass of packages
  bool consoleTrace = true;              // the C exports trace to standard output

  // Runs sharing a quarantine folder take turns: held for the whole call.
  platform::FileLock quarantineLock;
  // The repair in hand: its writes are held here, then applied together with a journal.
  bool holdingWrites = false;
  uint64_t heldLimit = 0;                // the document's size: no held write goes past it
  std::vector<HeldWrite> heldWrites;
  bool journalWritten = false;           // the current document has a journal on disk
  bool journalMustStay = false;          // a roll-back failed: the next run tries again
  // Documents whose interrupted repair could not be undone: never examined, never clean.
  std::set<std::u16string> interruptedRepairs;

  WorkArea() = default;
  ~WorkArea();
  WorkArea(const WorkArea&) = delete;
  WorkArea& operator=(const WorkArea&) = delete;
};

// Tells the observer that the current document could not be examined, and why.
inline void NoteSkipped(WorkArea& area, const char* reason) {
  if (area.observer != nullptr) area.observer->OnSkipped(area.currentPath, reason);
}

// Positioned transfers on the document open in the work area: the file position moves to
// an absolute 32-bit offset; the result is the number of bytes moved, 0 on any failure.
uint32_t ReadAt(WorkArea& area, uint32_t offset, void* buffer, uint32_t length);
uint32_t WriteAt(WorkArea& area, uint32_t offset, const void* buffer, uint32_t length);

}  // namespace qv
