// Start requests, the worker and its stop request.
#include "frontend/driver/scan_driver.h"

#include "engine/platform/platform.h"
#include "frontend/driver/walk_filesystem.h"
#include "frontend/driver/walk_state.h"

namespace qv::frontend {
namespace {

bool IsDevicePath(const std::u16string& path) { return path.rfind(u"\\\\.\\", 0) == 0; }

template <size_t N>
void CopyBounded(char16_t (&field)[N], std::u16string_view text) {
  const size_t n = std::min(text.size(), N - 1);
  std::char_traits<char16_t>::copy(field, text.data(), n);
  field[n] = 0;
}

}  // namespace

ScanRunDriver::ScanRunDriver(ScanObserver& observer, EngineCall engine, DriveLister drives)
    : observer_(observer), engine_(std::move(engine)), drives_(std::move(drives)) {}

ScanRunDriver::ScanRunDriver(ScanReceiver& receiver, EngineCall engine, DriveLister drives)
    : messages_(std::make_unique<ScanMessageAdapter>(receiver)),
      observer_(*messages_),
      engine_(std::move(engine)),
      drives_(std::move(drives)) {}

ScanRunDriver::~ScanRunDriver() { Stop(); }

bool ScanRunDriver::Claim() {
  if (stopRequested_.load()) return false;
  bool idle = false;
  if (!running_.compare_exchange_strong(idle, true)) return false;
  if (worker_.joinable()) worker_.join();  // the last run's worker has already ended
  return true;
}

void ScanRunDriver::Unclaim() {
  std::lock_guard<std::mutex> lock(doneMutex_);
  running_.store(false);
  doneCv_.notify_all();
}

bool ScanRunDriver::StartWorker(std::list<ScanTarget> targets, bool stayOnDevice) {
  m_lstTargets = std::move(targets);
  stayOnDevice_ = stayOnDevice;
  worker_ = std::thread(&ScanRunDriver::ScanThreadProc, this);
  return true;
}

bool ScanRunDriver::OnScanAllDisk() {
  if (!Claim()) return false;
  try {
    std::list<ScanTarget> targets;
    for (const auto& root : drives_()) {
      observer_.OutputDebugText(platform::ToNarrow(root));
      targets.push_back({root, false});
    }
    return StartWorker(std::move(targets), true);
  } catch (...) {
    observer_.OutputDebugText(kScanAllDiskFault);
    Unclaim();
    return false;
  }
}

bool ScanRunDriver::OnScanDirectory(const std::u16string& folder) {
  if (folder.empty() || !Claim()) return false;
  try {
    return StartWorker({ScanTarget{folder, false}}, false);
  } catch (...) {
    observer_.OutputDebugText(kScanDirectoryFault);
    Unclaim();
    return false;
  }
}

bool ScanRunDriver::ScanDroppedPaths(const std::set<std::u16string>* paths) {
  if (paths == nullptr || !Claim()) return false;
  try {
    std::list<ScanTarget> targets;
    for (const auto& path : *paths) {
      // A path whose status cannot be read (missing, access denied) goes to the engine as a
      // file, which then leaves it alone.
      walkfs::error_code ec;
      const auto status = walkfs::fs::status(walkfs::ToFsPath(path), ec);
      targets.push_back({path, ec || !walkfs::fs::is_directory(status)});
    }
    return StartWorker(std::move(targets), false);
  } catch (...) {
    Unclaim();
    return false;
  }
}

void ScanRunDriver::RequestStop() { stopRequested_.store(true); }

bool ScanRunDriver::WaitForWorker(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(doneMutex_);
  if (!doneCv_.wait_for(lock, timeout, [this] { return !running_.load(); })) return false;
  lock.unlock();
  if (worker_.joinable()) worker_.join();
  return true;
}

void ScanRunDriver::Stop() {
  RequestStop();
  std::unique_lock<std::mutex> lock(doneMutex_);
  doneCv_.wait(lock, [this] { return !running_.load(); });
  lock.unlock();
  if (worker_.joinable()) worker_.join();
}

uint32_t ScanRunDriver::ScanThreadProc(ScanRunDriver* driver) {
  try {
    driver->RunWorker();
  } catch (...) {
    // nothing may escape the worker; the run simply ends
  }
  driver->FinishWorker();
  return 0;
}

void ScanRunDriver::FinishWorker() {
  walk_ = nullptr;
  Unclaim();  // the last touch of the driver by this thread
}

void ScanRunDriver::RunWorker() {
  if (!Notify(&ScanObserver::OnStart)) return;
  m_nFiles.store(0);
  if (streamingWalk_) {
    RunStreaming();
    return;
  }
  m_nSearchTick.store(0);
  m_setFiles.clear();
  WalkState walk;
  walk_ = &walk;
  bool firstFolder = true;
  for (const ScanTarget& target : m_lstTargets) {
    if (stopRequested_.load()) return;
    if (target.isFile) {
      m_setFiles.insert(target.path);
    } else {
      SearchTarget(firstFolder, target.path);
    }
  }
  walk_ = nullptr;
  if (!firstFolder) {
    if (!Notify(&ScanObserver::OnProgress, 100) || !Notify(&ScanObserver::OnSearchTimer, false)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(kSearchEndPauseMs));
  }

  m_nDetected.store(0);
  m_nRepaired.store(0);
  const size_t total = m_setFiles.size();
  size_t k = 0;
  for (const std::u16string& path : m_setFiles) {
    ++k;
    if (!Notify(&ScanObserver::OnProgress, ScanProgress(k, total))) return;
    if (!Notify(&ScanObserver::OnFile, path, k, total)) return;
    m_nFiles.fetch_add(1);
    if (!IsDevicePath(path)) ScanFile(path);
  }
  if (!Notify(&ScanObserver::OnFinish)) return;
  const int files = static_cast<int>(total), detected = m_nDetected.load(), repaired = m_nRepaired.load();
  Notify(&ScanObserver::OnSummary, FormatSummary(files, detected, repaired), files, detected, repaired);
}

bool ScanRunDriver::HandOver(const std::u16string& path, bool typeKnown) {
  const size_t number = static_cast<size_t>(m_nFiles.load()) + 1;
  if (!Notify(&ScanObserver::OnFile, path, number, size_t{0})) return false;
  m_nFiles.fetch_add(1);
  if (!IsDevicePath(path)) ScanFile(path, typeKnown);
  return !stopRequested_.load();
}

void ScanRunDriver::ScanFile(const std::u16string& path, bool typeKnown) {
  if (path.empty() || stopRequested_.load()) return;
  try {
    // FIFOs, sockets and device nodes are no documents; opening one may block forever.
    if (!typeKnown && platform::IsSpecialFile(path)) return;
    const walkfs::fs::path native = walkfs::ToFsPath(path);
    char16_t text[260] = {0};
    const int result = engine_(path.c_str(), 1, text);
    // The call in progress always finishes; once a stop was asked for, its outcome is not
    // reported to an owner that is going away.
    if (stopRequested_.load()) return;
    if (result == 0 || text[0] == 0) return;
    m_nDetected.fetch_add(1);
    m_nRepaired.fetch_add(1);
    const uintmax_t size = walkfs::fs::file_size(native);  // the engine may have deleted it
    ScanResultRow row{};
    CopyBounded(row.path, path);
    CopyBounded(row.sizeText, FormatSizeText(size));
    CopyBounded(row.anomaly, text);
    CopyBounded(row.action, kRepairedAction);
    Notify(&ScanObserver::OnFinding, row);
  } catch (...) {
    // this file's row is lost; the run goes on
  }
}

}  // namespace qv::frontend
