// The two C exports and the C++ API. No exception crosses this boundary.
#include <cstring>
#include <new>

#include "engine/common/quarantine.h"
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

}  // namespace

extern "C" int SCANVIRUS_CALL SCanFileVirus(const sv_char16* path, int mode, sv_char16* text) {
  if (path == nullptr || text == nullptr) return 0;
  text[0] = 0;
  try {
    qv::CallOptions options;
    options.mode = static_cast<uint8_t>(mode & 0xFF);
    const qv::CallResult call = qv::RunScanCall(FromCaller(path), options);
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

ScanOutcome ScanPath(const std::u16string& path, const ScanOptions& options) {
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
    const CallResult result = RunScanCall(path, call);
    outcome.status = ToApi(result.status);
    outcome.resultText = platform::FromNarrow(result.resultName);
  } catch (...) {
    outcome.status = Status::Failed;
  }
  return outcome;
}

bool RestoreQuarantineCopy(const std::u16string& virPath, const std::u16string& destPath) {
  try {
    return qv::RestoreQuarantineCopy(virPath, destPath) == 1;
  } catch (...) {
    return false;
  }
}

std::u16string QuarantineFolder() { return qv::QuarantineFolder(); }
std::u16string ResolveQuarantineFolder(const std::u16string& named) {
  return named.empty() ? qv::QuarantineFolder() : NormalizedQuarantineFolder(named);
}
std::u16string OriginalNameOf(const std::u16string& virFileName) { return qv::OriginalNameOf(virFileName); }

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
