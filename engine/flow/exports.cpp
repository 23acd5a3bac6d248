// The two C exports and the C++ API. No exception crosses this boundary.
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "engine/common/quarantine.h"
#include "engine/common/quarantine_index.h"
#include "engine/common/quarantine_location.h"
#include "engine/common/work_area.h"
#include "engine/flow/call_flow.h"
#include "engine/include/scan_engine.h"
#include "engine/include/scanvirus.h"
#include "engine/platform/platform.h"

namespace {

std::u16string FromCaller(const sv_char16* text) {
  std::u16string out;
  for (; *text != 0; ++text) out.push_back(static_cast<char16_t>(*text));
  return out;
}

qv::api::Status ToApi(qv::CallStatus status) {
  switch (status) {
    case qv::CallStatus::Ran: return qv::api::Status::Ran;
    case qv::CallStatus::BadArguments: return qv::api::Status::BadArguments;
    case qv::CallStatus::NoWorkArea: return qv::api::Status::NoWorkArea;
    case qv::CallStatus::LibraryMissing: return qv::api::Status::LibraryMissing;
    case qv::CallStatus::LibraryUnusable: return qv::api::Status::LibraryUnusable;
    case qv::CallStatus::Stopped: return qv::api::Status::Stopped;
  }
  return qv::api::Status::Failed;
}

class FindingCollector : public qv::ReportObserver {
 public:
  FindingCollector(std::vector<qv::api::Finding>& out, std::vector<qv::api::Skipped>& skipped,
                   std::vector<std::u16string>& undone)
      : out_(out), skipped_(skipped), undone_(undone) {}
  void OnReport(const std::u16string& path, const std::string& rule, qv::ReportAction action) override {
    out_.push_back({path, rule, static_cast<qv::api::Action>(action)});
  }
  void OnSkipped(const std::u16string& path, const std::string& reason) override { skipped_.push_back({path, reason}); }
  void OnRepairUndone(const std::u16string& path) override { undone_.push_back(path); }

 private:
  std::vector<qv::api::Finding>& out_;
  std::vector<qv::api::Skipped>& skipped_;
  std::vector<std::u16string>& undone_;
};

// The engine's one piece of process-wide state: the sessions that the C export keeps between
// calls, so that a caller scanning file by file (the GUI's worker) pays for reading the
// signature library and allocating the work area's tables about once, not per file. A call
// takes a session out and puts it back when done, so overlapping calls never share one; each
// session checks qzmacro.vlb on every call and rebuilds its tables when the file changed.
class ExportSessionCache {
 public:
  std::unique_ptr<qv::EngineSession> Take() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!idle_.empty()) {
        std::unique_ptr<qv::EngineSession> session = std::move(idle_.back());
        idle_.pop_back();
        return session;
      }
    }
    return std::make_unique<qv::EngineSession>();
  }
  void Return(std::unique_ptr<qv::EngineSession> session) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (idle_.size() < kKeptSessions) idle_.push_back(std::move(session));
  }

 private:
  static constexpr size_t kKeptSessions = 4;  // more overlapping callers build their own
  std::mutex mutex_;
  std::vector<std::unique_ptr<qv::EngineSession>> idle_;
};

ExportSessionCache& ExportSessions() {
  static ExportSessionCache cache;
  return cache;
}

}  // namespace

extern "C" int SCANVIRUS_CALL SCanFileVirus(const sv_char16* path, int mode, sv_char16* text) {
  if (path == nullptr || text == nullptr) return 0;
  text[0] = 0;
  try {
    qv::CallOptions options;
    options.mode = static_cast<uint8_t>(mode & 0xFF);
    std::unique_ptr<qv::EngineSession> session = ExportSessions().Take();
    const qv::CallResult call = session->Run(FromCaller(path), options);
    ExportSessions().Return(std::move(session));
    const std::u16string name = qv::platform::FromNarrow(call.resultName);
    const size_t n = std::min(name.size(), qv::cap::kCallerTextUnits - 1);
    for (size_t i = 0; i < n; ++i) text[i] = static_cast<sv_char16>(name[i]);
    text[n] = 0;
    return call.result;
  } catch (...) {
    return 0;
  }
}

extern "C" int SCANVIRUS_CALL ReVirFile(const sv_char16* virPath, const sv_char16* destPath) {
  if (virPath == nullptr || destPath == nullptr) return 0;
  try {
    return qv::RestoreQuarantineCopy(FromCaller(virPath), FromCaller(destPath));
  } catch (...) {
    return 0;
  }
}

namespace qv::api {

namespace {

ScanOutcome ScanIn(qv::EngineSession& session, const std::u16string& path, const ScanOptions& options) {
  ScanOutcome outcome;
  try {
    FindingCollector collector(outcome.findings, outcome.skipped, outcome.undone);
    CallOptions call;
    call.mode = options.repair ? 1 : 0;
    call.consoleTrace = options.consoleTrace;
    call.observer = &collector;
    call.stop = options.stop;
    call.quarantineDir = options.quarantineFolder;
    call.quarantineBusy = options.quarantineBusy;
    const CallResult result = session.Run(path, call);
    outcome.status = ToApi(result.status);
    outcome.resultText = platform::FromNarrow(result.resultName);
    outcome.logWriteFailed = result.logWriteFailed;
  } catch (...) {
    outcome.status = Status::Failed;
  }
  return outcome;
}

}  // namespace

ScanOutcome ScanPath(const std::u16string& path, const ScanOptions& options) {
  try {
    qv::EngineSession session;
    return ScanIn(session, path, options);
  } catch (...) {
    ScanOutcome outcome;
    outcome.status = Status::Failed;
    return outcome;
  }
}

Session::Session() : engine_(std::make_unique<qv::EngineSession>()) {}
Session::~Session() = default;
Session::Session(Session&&) noexcept = default;
Session& Session::operator=(Session&&) noexcept = default;

ScanOutcome Session::Scan(const std::u16string& path, const ScanOptions& options) {
  if (!engine_) engine_ = std::make_unique<qv::EngineSession>();  // after a move
  return ScanIn(*engine_, path, options);
}

uint64_t Session::LibraryBuilds() const { return engine_ ? engine_->LibraryBuilds() : 0; }

bool RestoreQuarantineCopy(const std::u16string& virPath, const std::u16string& destPath) {
  try {
    return qv::RestoreQuarantineCopy(virPath, destPath) == 1;
  } catch (...) {
    return false;
  }
}

RestoreResult RestoreQuarantineCopyAs(const std::u16string& virPath, const std::u16string& destPath, bool replace) {
  try {
    switch (qv::RestoreQuarantineCopyAs(virPath, destPath, replace)) {
      case qv::RestoreResult::Restored: return RestoreResult::Restored;
      case qv::RestoreResult::DestinationExists: return RestoreResult::DestinationExists;
      case qv::RestoreResult::Failed: break;
    }
  } catch (...) {
  }
  return RestoreResult::Failed;
}

std::u16string QuarantineFolder() { return qv::QuarantineFolder(); }
std::u16string ResolveQuarantineFolder(const std::u16string& named) {
  return named.empty() ? qv::QuarantineFolder() : NormalizedQuarantineFolder(named);
}
std::u16string OriginalNameOf(const std::u16string& virFileName) { return qv::OriginalNameOf(virFileName); }

std::map<std::u16string, CopyOrigin> QuarantineOrigins(const std::u16string& quarantineFolder) {
  std::map<std::u16string, CopyOrigin> out;
  try {
    for (auto& [name, record] : ReadQuarantineIndex(quarantineFolder)) {
      out.emplace(name, CopyOrigin{record.originalPath, record.time, record.rule});
    }
  } catch (...) {
    out.clear();  // without the index the copies still list and restore by name
  }
  return out;
}

const char* ActionName(Action action) {
  switch (action) {
    case Action::Reported: return "reported";
    case Action::Repaired: return "repaired";
    case Action::Deleted: return "deleted";
    case Action::RepairFailed: return "repair failed";
    case Action::BackupFailed: return "backup failed";
    case Action::SweptDeleted: return "deleted (start-up file)";
  }
  return "unknown";
}

}  // namespace qv::api
