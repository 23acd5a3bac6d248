#include "cli/core/scan_command.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <set>

#include "cli/core/output.h"
#include "cli/core/parallel_scan.h"
#include "cli/core/terminal.h"
#include "engine/platform/platform.h"
#include "frontend/driver/scan_driver.h"

namespace qv::cli {
namespace {

using frontend::ScanRunDriver;

std::string ProgramFolderFile(const char* name) {
  return platform::ToUtf8(platform::ProgramFolder()) + name;
}

// Runs sharing a quarantine folder take turns; a run that waits says so, once.
class BusyNotice {
 public:
  BusyNotice(Console& console, const std::string& quarantine) : console_(console), quarantine_(quarantine) {}
  std::function<void()> Callback() {
    return [this] {
      if (told_.exchange(true)) return;
      console_.Message("waiting: another run is using the quarantine folder " +
                       platform::ToUtf8(qv::api::ResolveQuarantineFolder(platform::FromUtf8(quarantine_))));
    };
  }

 private:
  Console& console_;
  const std::string& quarantine_;
  std::atomic<bool> told_{false};
};

std::string UndoneNotice(const std::u16string& path) {
  return "an interrupted repair was undone, the document is as it was before: " + platform::ToUtf8(path);
}

void TellUndone(Console& console, const std::vector<std::u16string>& undone) {
  for (const auto& path : undone) console.Message(UndoneNotice(path));
}

// Shows the run on the terminal and turns unreadable folders into messages.
class ScanReporter : public frontend::ScanObserver {
 public:
  explicit ScanReporter(Console& console) : console_(console) {}
  bool HadErrors() const { return errors_.load(); }

  void OnSearching() override { console_.Progress(platform::ToUtf8(frontend::kSearchNotice)); }
  void OnFile(const std::u16string& path, size_t number, size_t total) override {
    console_.Progress(ProgressLine(number, total, platform::ToUtf8(path)));
  }
  void OnFinish() override { console_.ClearProgress(); }
  void OnSearchError(std::u16string_view path, std::string_view what) override {
    errors_.store(true);
    console_.Message("cannot read folder " + platform::ToUtf8(path) + ": " + std::string(what));
  }

 private:
  Console& console_;
  std::atomic<bool> errors_{false};
};

// The driver's engine call, made through the engine's C++ API so that the mode is the
// user's and every finding comes with the action actually taken. The driver hands the
// documents over in its walk order (each folder's entries by name, a subfolder's contents
// where its name falls); the parallel scanner scans them with --jobs workers and writes what
// each one found in that same order. A full scanner holds the walk back (Submit waits).
class EngineAdapter {
 public:
  EngineAdapter(const Arguments& arguments, Console& console, BusyNotice& busy)
      : arguments_(arguments),
        console_(console),
        busy_(busy),
        scanner_(
            arguments.jobs != 0 ? arguments.jobs : DefaultJobs(),
            [this](qv::api::Session& session, const std::u16string& path) { return Scan(session, path); },
            [this](const DocumentReport& report) { Emit(report); },
            [this] { return InterruptWatch::Requested() || failed_.load(); }) {}
  void Attach(ScanRunDriver* driver) { driver_ = driver; }

  int operator()(const char16_t* path, int /*mode*/, char16_t* text) {
    text[0] = 0;  // findings are counted and written here, not by the driver
    scanner_.Submit(path);
    return 1;
  }
  // Waits for the documents in hand.
  void Finish() { scanner_.Finish(); }

  int detected() const { return detected_; }
  int notExamined() const { return notExamined_; }
  int repaired() const { return repaired_; }
  std::string problem() const {
    std::lock_guard<std::mutex> lock(problemMutex_);
    return problem_;
  }

 private:
  DocumentReport Scan(qv::api::Session& session, const std::u16string& path) {
    qv::api::ScanOptions options;
    options.repair = arguments_.repair;
    options.stop = InterruptWatch::Flag();  // Ctrl-C during a long package rebuild leaves the package as it was
    options.quarantineFolder = platform::FromUtf8(arguments_.quarantine);
    options.quarantineBusy = busy_.Callback();
    const qv::api::ScanOutcome outcome = session.Scan(path, options);
    DocumentReport report;
    for (const auto& undone : outcome.undone) report.entries.push_back({true, UndoneNotice(undone)});
    if (outcome.status != qv::api::Status::Ran) {
      {
        std::lock_guard<std::mutex> lock(problemMutex_);
        if (problem_.empty()) problem_ = EngineProblem(outcome.status, arguments_.quarantine);
      }
      failed_.store(true);
      if (driver_ != nullptr) driver_->RequestStop();
      return report;
    }
    if (outcome.logWriteFailed && !logNoticeGiven_.exchange(true)) {
      // Said once per run: the scan itself goes on.
      report.entries.push_back({true, "the log could not be written (disk full?): " +
                                          platform::ToUtf8(qv::api::ResolveQuarantineFolder(options.quarantineFolder)) +
                                          "log.txt"});
    }
    for (const auto& skipped : outcome.skipped) {
      report.entries.push_back({true, SkippedNotice(skipped)});
      if (arguments_.json) report.entries.push_back({false, SkippedJson(skipped)});
    }
    report.notExamined = !outcome.skipped.empty();
    for (const auto& finding : outcome.findings) {
      report.entries.push_back({false, FindingLine(finding, arguments_.json)});
      report.changed = report.changed || finding.action == qv::api::Action::Repaired ||
                       finding.action == qv::api::Action::Deleted ||
                       finding.action == qv::api::Action::SweptDeleted;
    }
    report.detected = !outcome.findings.empty();
    return report;
  }

  // One document at a time, in the driver's order.
  void Emit(const DocumentReport& report) {
    for (const auto& entry : report.entries) {
      if (entry.message) {
        console_.Message(entry.text);
      } else {
        console_.Line(entry.text);
      }
    }
    if (report.detected) ++detected_;
    if (report.notExamined) ++notExamined_;
    if (report.changed) ++repaired_;
  }

  const Arguments& arguments_;
  Console& console_;
  BusyNotice& busy_;
  ScanRunDriver* driver_ = nullptr;
  std::atomic<int> detected_{0};
  std::atomic<int> notExamined_{0};  // documents that could not be examined completely
  std::atomic<int> repaired_{0};
  std::atomic<bool> logNoticeGiven_{false};
  std::atomic<bool> failed_{false};
  mutable std::mutex problemMutex_;
  std::string problem_;
  ParallelScanner scanner_;  // last: its workers use the members above
};

// Checks the paths named on the command line; answers the usable ones as absolute paths.
std::set<std::u16string> CheckedTargets(const std::vector<std::string>& operands, Console& console, bool& errors) {
  std::set<std::u16string> targets;
  for (const std::string& operand : operands) {
    std::u16string full = platform::FullPath(platform::FromUtf8(operand));
    // no trailing separator, except on a root ("/", "C:\\")
    while (full.size() > 1 && full.back() == platform::kSep && !(full.size() == 3 && full[1] == u':')) full.pop_back();
    switch (platform::GetPathKind(full)) {
      case platform::PathKind::Missing:
        console.Message("no such file or folder: " + operand);
        errors = true;
        continue;
      case platform::PathKind::Folder:
        if (const auto reason = platform::FolderReadError(full)) {
          console.Message("cannot read folder " + operand + ": " + *reason);
          errors = true;
          continue;
        }
        break;
      case platform::PathKind::File:
        if (!platform::IsRegularFile(full)) {
          console.Message("not a document or folder: " + operand);
          errors = true;
          continue;
        }
        break;
    }
    targets.insert(full);
  }
  return targets;
}

}  // namespace

std::string EngineProblem(qv::api::Status status, const std::string& quarantine) {
  switch (status) {
    case qv::api::Status::Ran: return "";
    case qv::api::Status::LibraryMissing: return "the signature library is missing: " + ProgramFolderFile("qzmacro.vlb");
    case qv::api::Status::LibraryUnusable:
      return "the signature library is damaged or unusable: " + ProgramFolderFile("qzmacro.vlb");
    case qv::api::Status::NoWorkArea:
      return "the quarantine folder cannot be written (log.txt cannot be opened): " +
             platform::ToUtf8(qv::api::ResolveQuarantineFolder(platform::FromUtf8(quarantine)));
    case qv::api::Status::Stopped:
      return "interrupted while waiting for another run to finish with the quarantine folder " +
             platform::ToUtf8(qv::api::ResolveQuarantineFolder(platform::FromUtf8(quarantine)));
    case qv::api::Status::BadArguments:
    case qv::api::Status::Failed: break;
  }
  return "the engine failed";
}

int RunScan(const Arguments& arguments) {
  Console console(platform::StderrIsTerminal());
  bool errors = false;
  const std::set<std::u16string> targets = CheckedTargets(arguments.operands, console, errors);
  if (!arguments.allDrives && targets.empty()) return kExitError;

  // From here on, an interrupt (Ctrl-C, SIGTERM, a hang-up) finishes the document in hand and stops.
  InterruptWatch interrupts;
  BusyNotice busy(console, arguments.quarantine);
  // One call with nothing to walk tells whether the quarantine, the log and the signature
  // library are usable, before any document is touched; it also puts right what a run that
  // died left in the quarantine.
  qv::api::ScanOptions probe;
  probe.quarantineFolder = platform::FromUtf8(arguments.quarantine);
  probe.stop = InterruptWatch::Flag();
  probe.quarantineBusy = busy.Callback();
  const qv::api::ScanOutcome probed = qv::api::ScanPath(u"", probe);
  TellUndone(console, probed.undone);
  const std::string problem = EngineProblem(probed.status, arguments.quarantine);
  if (!problem.empty()) {
    console.Message(problem);
    return kExitError;
  }

  ScanReporter reporter(console);
  EngineAdapter adapter(arguments, console, busy);
  ScanRunDriver driver(reporter, std::ref(adapter));
  driver.SetFollowFolderLinks(arguments.followLinks);
  // No list of all files: every document goes to the scanner as the walk reaches it, so the
  // memory of a run does not grow with the number of documents.
  driver.SetStreamingWalk(true);
  adapter.Attach(&driver);
  const bool started = arguments.allDrives ? driver.OnScanAllDisk() : driver.ScanDroppedPaths(&targets);
  if (!started) {
    console.Message("the scan could not be started");
    return kExitError;
  }
  while (!driver.WaitForWorker(std::chrono::milliseconds(100))) {
    if (InterruptWatch::Requested()) driver.RequestStop();
  }
  adapter.Finish();
  console.ClearProgress();
  if (!adapter.problem().empty()) {
    console.Message(adapter.problem());
    return kExitError;
  }
  if (InterruptWatch::Requested()) {
    console.Message("interrupted (the document in hand was finished first)");
    return kExitError;
  }
  console.Line(SummaryLine(driver.m_nFiles.load(), adapter.detected(), adapter.repaired(), arguments.json));
  if (errors || reporter.HadErrors()) return kExitError;
  if (adapter.detected() > 0) return kExitFound;
  // A document that could not be examined completely is never passed off as clean.
  return adapter.notExamined() > 0 ? kExitError : kExitClean;
}

}  // namespace qv::cli
