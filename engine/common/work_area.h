// The state of one SCanFileVirus call. Created zero-filled at the start of a call and
// released before it returns; only files on disk (and, in an engine session, the reusable
// memory of its tables) outlive it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <map>
#include <set>
#include <optional>
#include <string>
#include <vector>

#include "engine/common/allocation_register.h"
#include "engine/common/skip_reasons.h"
#include "engine/common/capacities.h"
#include "engine/common/document_file.h"
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

// The large preallocated parts of a work area: the compound-file reader's tables and the
// allocation register. An engine session keeps one and lends it to the work area of each of
// its calls, so that a call neither allocates nor zeroes them anew; a work area made without
// one owns its own.
class WorkAreaMemory {
 public:
  WorkAreaMemory();
  // The tables as a new work area must find them: zero-filled. Only tables that a document
  // used since the last lending are zeroed again.
  ReaderTables& Lend();
  AllocationRegister& Register() { return allocations_; }
  // A document reader took the tables into use.
  void NoteTablesUsed() { used_ = true; }

  // The storage of one document object, kept from one document to the next so that it is
  // neither allocated nor first touched again (storage/doc_file.cpp manages it).
  std::shared_ptr<void> documentStorage;
  bool documentStorageInUse = false;

 private:
  std::unique_ptr<ReaderTables> tables_;
  AllocationRegister allocations_;
  bool used_ = false;  // a document used the tables since they were last zeroed
};

enum class QuarantineTurnKind { None, Shared, Alone };

struct WorkArea {
  // A work area with memory of its own.
  WorkArea();
  // A work area that borrows `memory` (which must outlive it and serve one work area at a time).
  explicit WorkArea(WorkAreaMemory& memory);
  // Called when a document is opened on the reader tables (they need zeroing before the next
  // work area gets them).
  void NoteReaderTablesUsed() { memory_.NoteTablesUsed(); }
  WorkAreaMemory& Memory() { return memory_; }

 private:
  std::unique_ptr<WorkAreaMemory> ownMemory_;  // set when nothing was lent
  WorkAreaMemory& memory_;

 public:
  uint8_t head[cap::kHeadBytes] = {};    // first bytes of the document being examined
  ReaderTables& readerTables;            // preallocated tables of the compound-file reader
  uint32_t fileSize = 0;                 // low 32 bits of the document's size
  AllocationRegister& allocations;       // heap blocks of the current document
  std::optional<DocumentFile> document;  // open for reading and writing (read only: see below)
  // The document could only be opened for reading (it is read-only, or this user may not
  // write it): it is scanned all the same, and a repair first gets write access (clearing the
  // read-only state when this process may) and makes it read-only again after.
  bool documentReadOnly = false;
  bool restoreReadOnly = false;          // made writable for a repair: read-only again when done
  platform::AppendLog log;               // "log.txt", appended to
  uint8_t repairMode = 0;                // nonzero: repair; zero: report only
  platform::LocalTime takenUpAt;         // when the current file passed the gate
  char resultName[cap::kResultNameBytes] = {};  // last rule reported in this call
  std::u16string logPath;
  std::u16string currentPath;
  std::u16string quarantineDir;          // ends with the separator
  DocFile* docFile = nullptr;            // owned; freed after every file
  // The signature tables of the walk: borrowed from the engine session's library cache by the
  // call flow, or owned when made with BuildSignatureTables (and then released with
  // ReleaseSignatureTables).
  SignatureTables* tables = nullptr;
  std::vector<uint8_t> libraryImage;     // raw library bytes between loading and deciphering

  // Quarantine copies written in this call, by document path: repeated reports on one
  // document keep its first (pre-repair) copy.
  std::set<std::u16string> quarantinedThisCall;
  // The package whose extracted project parts are walked (empty otherwise). In repair mode its
  // whole copy is the quarantine copy: a part gets no second copy of its own.
  std::u16string packagePath;
  // The package's project parts held in memory, by the name they are walked under (no file
  // has that name as far as the engine is concerned). Not owned; may be null.
  const std::map<std::u16string, std::shared_ptr<MemoryPart>>* memoryParts = nullptr;
  // The call's own document, opened (links followed) when the call began: its walk takes this
  // file instead of opening the name again.
  std::u16string openedTargetPath;
  std::optional<platform::File> openedTarget;
  ReportObserver* observer = nullptr;    // not owned; may be null
  std::vector<std::string>* gatheredRules = nullptr;  // not owned; the macro-sheet pass of packages
  bool consoleTrace = true;              // the C exports trace to standard output
  // The caller's stop request (the command line's interrupt flag); not owned, may be null.
  // Long work on one package (extraction, rebuilds) gives up between entries and chunks.
  const std::atomic<bool>* stop = nullptr;
  // The console's largest possible window width as captured at the start of the call (none:
  // no console); the console trace is cut to it.
  std::optional<int16_t> consoleWidth;

  // Runs sharing a quarantine folder take turns: held for the whole call (quarantine_session.h).
  QuarantineTurnKind quarantineTurn = QuarantineTurnKind::None;
  std::u16string quarantineTurnPath;
  // The repair in hand: its writes are held here, then applied together with a journal.
  bool holdingWrites = false;
  uint64_t heldLimit = 0;                // the document's size: no held write goes past it
  std::vector<HeldWrite> heldWrites;
  bool journalWritten = false;           // the current document has a journal on disk
  bool journalMustStay = false;          // a roll-back failed: the next run tries again
  // Documents whose interrupted repair could not be undone: never examined, never clean.
  std::set<std::u16string> interruptedRepairs;
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
