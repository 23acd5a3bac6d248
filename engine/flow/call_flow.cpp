#include "engine/flow/call_flow.h"

#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <vector>

#include "engine/common/ascii_case.h"
#include "engine/common/capacities.h"
#include "engine/common/quarantine.h"
#include "engine/common/quarantine_location.h"
#include "engine/common/quarantine_session.h"
#include "engine/common/repair_journal.h"
#include "engine/common/trace.h"
#include "engine/common/work_area.h"
#include "engine/flow/encrypted_package.h"
#include "engine/flow/package_sheets.h"
#include "engine/flow/report.h"
#include "engine/office/dispatch.h"
#include "engine/office/document_kind.h"
#include "engine/office/excel_workbook.h"
#include "engine/office/word6_macros.h"
#include "engine/platform/platform.h"
#include "engine/ppt/presentation_scan.h"
#include "engine/signature/signature_set.h"
#include "engine/signature/signature_tables.h"
#include "engine/storage/doc_file.h"
#include "engine/storage/vba_modules.h"
#include "engine/zip/open_xml.h"

namespace qv {
namespace {

constexpr uint8_t kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

// Releases what a file took up, whatever happened to it.
void ReleaseFile(WorkArea& area) {
  if (area.docFile != nullptr) {
    CloseDocFile(*area.docFile);
    FreeDocFile(area.docFile);
    area.docFile = nullptr;
  }
  area.allocations.FreeAllBlocks();
  FinishDocumentJournal(area);  // the document is done: as it was, or fully repaired
  if (area.restoreReadOnly && area.document) area.document->SetReadOnly(true);  // as the user had it
  area.document.reset();
  area.documentReadOnly = false;
  area.restoreReadOnly = false;
}

// A document reached through a link is the file the link leads to: that file is examined,
// repaired and named in every report, and a package is rebuilt beside it, not beside the link.
std::u16string ThroughLinks(const std::u16string& path) {
  if (!platform::IsLink(path)) return path;
  const std::u16string real = platform::RealPath(path);
  return real.empty() ? path : real;
}

// Reports made while the extracted project part of a package is walked belong to the
// package, which is what the caller named and what gets replaced. They are held until the
// rebuild: a repair of the project part only reaches the user's document when the rebuilt
// package has taken its place.
class PackageObserver : public ReportObserver {
 public:
  PackageObserver(ReportObserver& inner, std::u16string package) : inner_(inner), package_(std::move(package)) {}
  void OnReport(const std::u16string&, const std::string& rule, ReportAction action) override {
    held_.emplace_back(rule, action);
  }
  void OnSkipped(const std::u16string&, const std::string& reason) override { inner_.OnSkipped(package_, reason); }
  void Deliver(bool packageReplaced) {
    for (auto [rule, action] : held_) {
      if (action == ReportAction::Repaired || action == ReportAction::Deleted) {
        // The package itself is never deleted: without its project part it is clean.
        action = packageReplaced ? ReportAction::Repaired : ReportAction::RepairFailed;
      }
      inner_.OnReport(package_, rule, action);
    }
    held_.clear();
  }

 private:
  ReportObserver& inner_;
  std::u16string package_;
  std::vector<std::pair<std::string, ReportAction>> held_;
};

std::shared_ptr<MemoryPart> MemoryPartNamed(const WorkArea& area, const std::u16string& name) {
  if (area.memoryParts == nullptr) return nullptr;
  const auto found = area.memoryParts->find(name);
  return found != area.memoryParts->end() ? found->second : nullptr;
}

// Folders already entered in this walk (links may lead back into them), and the real folder
// the walk started from: a folder link leading outside it is not followed.
struct VisitedFolders {
  std::set<std::pair<uint64_t, uint64_t>> entered;
  std::u16string realRoot;
};

void WalkFolderGuarded(WorkArea& area, const std::u16string& folder, const std::u16string& pattern,
                       uint8_t mode, VisitedFolders& visited) {
  if (folder.empty()) return;
  const bool link = platform::IsLink(folder);
  if (link && !platform::IsAtOrBelow(folder, visited.realRoot)) return;
  if ((link || visited.entered.empty()) && platform::IsSystemPseudoFolder(folder)) return;
  const auto identity = platform::FileIdentity(folder);
  if (identity && !visited.entered.insert(*identity).second) return;
  std::u16string prefix = folder;
  if (prefix.back() != platform::kSep) prefix.push_back(platform::kSep);

  // One listing serves both lists: the pattern picks files only, every folder is entered
  // unless its name begins with a dot.
  std::vector<std::u16string> files, folders;
  for (const auto& entry : platform::ListFolder(folder, u"*.*")) {
    if (!entry.isFolder) {
      if (platform::MatchesPattern(entry.name, pattern)) files.push_back(prefix + entry.name);
    } else if (!entry.name.empty() && entry.name[0] != u'.') {
      folders.push_back(prefix + entry.name);
    }
  }
  for (const auto& file : files) ProcessFile(area, file, mode);
  for (const auto& sub : folders) WalkFolderGuarded(area, sub, pattern, mode, visited);
}

}  // namespace

bool InitWorkArea(WorkArea& area) {
  const std::u16string programFolder = platform::ProgramFolder();
  if (area.quarantineDir.empty()) area.quarantineDir = QuarantineFolder();
  area.logPath = area.quarantineDir + u"log.txt";
  if (area.log.Open(area.logPath)) return true;  // the folder exists after the first call
  if (IsBesideProgram(area.quarantineDir, programFolder)) {
    platform::CreateFolder(area.quarantineDir);
  } else {
    platform::CreatePrivateFolderTree(area.quarantineDir);  // a fresh user may have no data folder yet
  }
  return area.log.Open(area.logPath);
}

bool RunEngine(WorkArea& area, const std::vector<std::u16string>& targets, uint8_t mode, CallStatus& status,
               const std::function<void()>& afterWalk, LibraryCache* library) {
  LibraryCache callOnly;
  LibraryCache& cache = library != nullptr ? *library : callOnly;
  SignatureTables* tables = nullptr;
  const int loaded = cache.Acquire(LibraryPathBeside(platform::ProgramPath()), &ReportInfection, tables);
  if (loaded == kLibraryMissing) {
    ConsoleOut(area, "Load qzmacro.vlb failed\n");
    area.log.Close();
    status = CallStatus::LibraryMissing;
    return false;
  }
  if (loaded != kLibraryLoaded) {
    ConsoleOut(area, "Macro scan engine initialize failed \n");
    area.log.Close();
    status = CallStatus::LibraryUnusable;
    return false;
  }
  // The tables stay the cache's: the work area only borrows them for the walk.
  struct Borrow {
    WorkArea& area;
    ~Borrow() { area.tables = nullptr; }
  } borrow{area};
  area.tables = tables;
  for (const auto& target : targets) {
    if (const auto part = MemoryPartNamed(area, target)) {
      ProcessMemoryPart(area, target, part, mode);
    } else {
      WalkPath(area, target, mode);
    }
  }
  if (afterWalk) afterWalk();
  area.log.Close();
  status = CallStatus::Ran;
  return true;
}

void WalkPath(WorkArea& area, const std::u16string& path, uint8_t mode) {
  const std::u16string full = platform::FullPath(path);
  if (full.empty()) return;
  if (area.openedTarget && full == area.openedTargetPath) {
    ProcessFile(area, full, mode);
    return;
  }
  switch (platform::GetPathKind(full)) {
    case platform::PathKind::Missing: {
      if (full.find_first_of(u"?*") == std::u16string::npos) return;
      const size_t cut = full.rfind(platform::kSep);
      if (cut == std::u16string::npos) return;
      WalkFolder(area, full.substr(0, cut), full.substr(cut + 1), mode);
      return;
    }
    case platform::PathKind::File:
      ProcessFile(area, full, mode);
      return;
    case platform::PathKind::Folder:
      if (full == area.quarantineDir) return;
      WalkFolder(area, full, u"*.*", mode);
      return;
  }
}

void WalkFolder(WorkArea& area, const std::u16string& folder, std::u16string pattern, uint8_t mode) {
  if (pattern.empty()) pattern = u"*.*";
  VisitedFolders visited;
  visited.realRoot = platform::RealPath(folder);
  WalkFolderGuarded(area, folder, pattern, mode, visited);
}

void ProcessFile(WorkArea& area, const std::u16string& named, uint8_t mode) {
  std::optional<platform::File> gate;
  std::u16string path;
  if (area.openedTarget && named == area.openedTargetPath) {
    path = named;  // links were followed when it was opened
    gate = std::move(area.openedTarget);
    area.openedTarget.reset();
  } else {
    path = ThroughLinks(named);
    gate = platform::File::OpenRead(path);
  }
  uint8_t signature[8] = {};
  if (!gate) return;
  area.log.Flush();
  if (StartsWithFoldingAscii(path, area.quarantineDir)) return;  // never examine the quarantine
  TraceGatePath(area, path);
  const size_t got = gate->ReadAt(0, signature, sizeof signature);
  if (got != sizeof signature || std::memcmp(signature, kCompoundSignature, sizeof signature) != 0) return;
  area.takenUpAt = platform::Now();
  if (area.interruptedRepairs.count(path) != 0) {
    // A dead run's repair of it could not be undone: not clean, only unknown.
    area.currentPath = path;
    NoteSkipped(area, kSkippedInterruptedRepair);
    return;
  }
  try {
    if (IsStartupSweepName(path)) {
      gate.reset();
      RunStartupSweep(area, path);
    } else if (ExamineFile(area, path, mode, std::move(gate)) != 0) {
      ScanDocumentMacros(area);
    }
  } catch (const std::bad_alloc&) {
    // memory ran out for this document: leave it and go on with the walk
  }
  ReleaseFile(area);
}

void ProcessMemoryPart(WorkArea& area, const std::u16string& name, const std::shared_ptr<MemoryPart>& part,
                       uint8_t mode) {
  // The same gate as for a file; a part is never a start-up file and never in the quarantine.
  area.log.Flush();
  TraceGatePath(area, name);
  if (part->bytes.size() < sizeof kCompoundSignature ||
      std::memcmp(part->bytes.data(), kCompoundSignature, sizeof kCompoundSignature) != 0) {
    return;
  }
  area.takenUpAt = platform::Now();
  try {
    area.repairMode = mode;
    area.currentPath = name;
    area.document.emplace(part);
    if (ExamineOpenDocument(area) != 0) ScanDocumentMacros(area);
  } catch (const std::bad_alloc&) {
    // memory ran out for this part: leave it
  }
  ReleaseFile(area);
}

int ExamineFile(WorkArea& area, const std::u16string& path, uint8_t mode, std::optional<platform::File> opened) {
  area.repairMode = mode;
  area.currentPath = path;
  if (mode == 0 && opened) {
    area.document = std::move(opened);
    area.documentReadOnly = true;  // opened for reading only; a report never writes
    return ExamineOpenDocument(area);
  }
  opened.reset();
  area.documentReadOnly = false;
  area.document = platform::File::OpenReadWrite(path);
  if (!area.document) {
    // A read-only document is examined all the same: a document that was not looked at
    // must never pass for clean.
    area.document = platform::File::OpenRead(path);
    if (!area.document) return 0;
    area.documentReadOnly = true;
  }
  return ExamineOpenDocument(area);
}

int ExamineOpenDocument(WorkArea& area) {
  area.fileSize = static_cast<uint32_t>(area.document->Size());
  std::memset(area.head, 0, sizeof area.head);
  area.document->ReadAt(0, area.head, sizeof area.head);  // a short read is not an error
  area.docFile = NewDocFile(area);
  if (area.docFile == nullptr) {
    area.document.reset();
    return 0;
  }
  return DispatchDocument(*area.docFile);
}

bool ScanDocumentMacros(WorkArea& area) {
  if (area.docFile == nullptr || area.tables == nullptr) return false;
  AttachWorkArea(*area.tables, area);
  try {
    BeginMacroPass(*area.docFile);
    if (HasDirectoryTable(*area.docFile)) ScanVbaModules(*area.docFile, *area.tables);
    if (area.docFile->DocumentKind == kKindWord6) ScanWordBasicMacros(*area.docFile, *area.tables);
    ScanHiddenSheets(*area.docFile, *area.tables);
    ScanPresentationProjects(area, *area.tables);
    ScanEncryptedPackage(area, *area.tables);
    return true;
  } catch (const DocumentAbandoned&) {
    CloseDocFile(*area.docFile);
    return false;
  }
}

CallResult RunScanCall(const std::u16string& path, const CallOptions& options) {
  EngineSession session;
  return session.Run(path, options);
}

CallResult EngineSession::Run(const std::u16string& named, const CallOptions& options) {
  CallResult out;
  const std::u16string path = named.empty() ? named : ThroughLinks(platform::FullPath(named));
  CaptureConsoleInfo(consoleWidth_);
  std::unique_ptr<WorkArea> area(new (std::nothrow) WorkArea(memory_));
  if (!area) {
    out.status = CallStatus::NoWorkArea;
    return out;
  }
  area->consoleWidth = consoleWidth_;
  area->consoleTrace = options.consoleTrace;
  area->observer = options.observer;
  area->stop = options.stop;
  if (!options.quarantineDir.empty()) {
    area->quarantineDir = NormalizedQuarantineFolder(options.quarantineDir);
    if (area->quarantineDir.empty()) {
      out.status = CallStatus::NoWorkArea;
      return out;
    }
  }
  if (!InitWorkArea(*area)) {
    ConsoleOut(*area, "Create Log file failed \n");
    out.status = CallStatus::NoWorkArea;
    return out;
  }
  // A repairing call has the quarantine folder to itself; report-only calls share it.
  if (TakeQuarantineTurn(*area, options.stop, options.quarantineBusy, options.mode != 0) == QuarantineTurn::Stopped) {
    out.status = CallStatus::Stopped;
    return out;
  }
  // Packages are zip archives: anything else (a compound document, a folder) is walked as it
  // is, and a document opened here is not opened again by the walk.
  bool package = false;
  if (!path.empty()) {
    if (auto file = platform::File::OpenRead(path)) {
      package = StartsWithLocalHeader(*file);
      if (!package) {
        area->openedTargetPath = path;
        area->openedTarget = std::move(file);
      }
    }
  }
  const ExtractedProject project =
      package ? ExtractVbaProject(path, cap::kInMemoryProjectBytes, options.stop) : ExtractedProject{};
  area->memoryParts = &project.inMemory;
  // A package is walked as its extracted project parts, every duplicate included.
  std::vector<std::u16string> targets;
  if (!project.found) {
    targets.push_back(path);
  } else {
    if (!project.projectFile.empty()) targets.push_back(project.projectFile);
    targets.insert(targets.end(), project.moreProjectFiles.begin(), project.moreProjectFiles.end());
    area->packagePath = path;
  }
  std::optional<PackageObserver> packageObserver;
  if (project.found && options.observer != nullptr) {
    area->observer = &packageObserver.emplace(*options.observer, platform::FullPath(path));
  }
  // Hidden Excel 4.0 macro sheets of a workbook package, judged with the same tables.
  std::string sheetsNotExamined;
  RunEngine(
      *area, targets, options.mode, out.status,
      [&] {
        area->repairMode = options.mode;
        area->takenUpAt = platform::Now();  // the time its log lines carry
        if (package) sheetsNotExamined = ScanPackageMacroSheets(*area, path, options.observer);
      },
      &library_);
  out.resultName = area->resultName;
  out.logWriteFailed = area->log.WriteFailed();
  bool replaced = false;
  if (project.found && !out.resultName.empty()) replaced = RebuildVbaPackage(*area, path, project, options.stop);
  if (packageObserver) packageObserver->Deliver(replaced);
  // A package that could not be examined completely is never passed off as clean (one notice,
  // the project walk's reason first).
  const std::string& notExamined = !project.notExamined.empty() ? project.notExamined : sheetsNotExamined;
  if (!notExamined.empty() && options.observer != nullptr && out.status == CallStatus::Ran) {
    options.observer->OnSkipped(platform::FullPath(path), notExamined);
  }
  RemoveExtractedProject(project);
  area->openedTarget.reset();
  EndQuarantineTurn(*area);
  out.result = 1;
  return out;
}

}  // namespace qv
