// The scan run driver: turns targets (all drives, one folder, dropped paths) into one sorted
// list of files (or, streaming, walks them and hands each file over as it is reached), hands
// each file to the engine on a worker thread, counts what the engine reports and tells its
// observer what to show. It knows no GUI: the command-line scanner
// observes typed events (ScanObserver); the main window receives the same events as its
// window messages through ScanMessageAdapter.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

namespace qv::frontend {

// Worker-to-window notifications. WPARAM is what the message table says; LPARAM is always 0.
inline constexpr uint32_t UM_SCAN_START = 0x401;     // 0
inline constexpr uint32_t UM_SCAN_TEXT = 0x402;      // const char16_t*, zero-terminated
inline constexpr uint32_t UM_SCAN_PROGRESS = 0x404;  // progress 0..100
inline constexpr uint32_t UM_SCAN_FINISH = 0x405;    // 0
inline constexpr uint32_t UM_SCAN_RESULT = 0x406;    // const ScanResultRow*
// The search-phase timer on the main window (a timer id, not a message).
inline constexpr uint32_t ID_TIMER_SEARCH = 0x403;
inline constexpr uint32_t kSearchTimerPeriodMs = 80;
// Pause after the search phase, so that the full bar stays visible for a moment.
inline constexpr uint32_t kSearchEndPauseMs = 60;

inline constexpr char16_t kSearchNotice[] = u"正在搜索文件中,请耐心等待...";
inline constexpr char16_t kRepairedAction[] = u"修复";
inline constexpr char kScanAllDiskFault[] = "CMainDlg::OnScanAllDisk异常!\r\n";
inline constexpr char kScanDirectoryFault[] = "CMainDlg::OnScanDirectory()异常!\r\n";

// One entry of the target list.
struct ScanTarget {
  std::u16string path;  // drive root, folder or file path as its source delivered it
  bool isFile = false;  // true: goes into the file list unchanged; false: a folder to search
  bool operator==(const ScanTarget&) const = default;
};

// One result row, filled on the worker's stack and passed by address with UM_SCAN_RESULT.
// Every field is zero-terminated; longer texts are cut to the capacity.
struct ScanResultRow {
  char16_t path[1024];
  char16_t sizeText[128];  // "%0.2fK", formatted within 64 units
  char16_t anomaly[260];   // the engine's text, verbatim
  char16_t action[128];    // always "修复"
};

// What a scan run tells its owner, one typed event per call, in this order: OnStart; for
// a run with folder targets OnSearching, OnSearchTimer(true), the walk, OnProgress(100),
// OnSearchTimer(false); for every file OnProgress, OnFile and, when the engine reported it,
// OnFinding; then OnFinish and OnSummary. A streaming run (SetStreamingWalk) has no search
// phase and no progress: OnStart; for every file, as the walk reaches it, OnFile (total 0)
// and OnFinding; then OnFinish and OnSummary. Every call comes from the worker thread and
// must return only once handled; references are valid only during the call. After a stop
// request no event begins.
class ScanObserver {
 public:
  virtual ~ScanObserver() = default;
  virtual void OnStart() {}
  // The search phase begins (its notice, kSearchNotice, is the text to show).
  virtual void OnSearching() {}
  // The search animation: runs from the start of the search phase to its end.
  virtual void OnSearchTimer(bool running) {}
  virtual void OnProgress(int percent) {}
  // The file about to go to the engine: the `number`-th (from 1) of `total`; total 0 when
  // not known (a streaming run hands files over while it walks).
  virtual void OnFile(const std::u16string& path, size_t number, size_t total) {}
  virtual void OnFinding(const ScanResultRow& row) {}
  virtual void OnFinish() {}
  // The closing line (FormatSummary) and its three counts.
  virtual void OnSummary(const std::u16string& text, int files, int detected, int repaired) {}
  // The debugger output: drive roots of an all-drives start, fault texts of the start
  // requests.
  virtual void OutputDebugText(std::string_view text) {}
  // A folder of the search that could not be read (the walk goes on without it).
  virtual void OnSearchError(std::u16string_view path, std::string_view what) {}
};

// A window's side of a scan run: the worker-to-window messages and the search timer. Every
// call comes from the worker thread and must return only once the notification has been
// handled (a window forwards it to its own thread and waits); pointers passed as wParam are
// valid only during the call.
class ScanReceiver {
 public:
  virtual ~ScanReceiver() = default;
  virtual void SendScanMessage(uint32_t message, uintptr_t wParam) = 0;
  // The window's search-animation timer: started when the first folder target is searched,
  // stopped when the search phase ends. Its ticks are the window's business.
  virtual void SetTimer(uint32_t timerId, uint32_t periodMs) = 0;
  virtual void KillTimer(uint32_t timerId) = 0;
  // The debugger output: drive roots of an all-drives start, fault texts of the start
  // requests. Dropped unless the receiver shows it somewhere.
  virtual void OutputDebugText(std::string_view text) {}
  // A folder of the search that could not be read (the walk goes on without it). Dropped
  // unless the receiver shows it somewhere.
  virtual void OnSearchError(std::u16string_view path, std::string_view what) {}
};

// The events of a run as window messages: OnStart -> UM_SCAN_START, OnSearching ->
// UM_SCAN_TEXT(kSearchNotice), OnSearchTimer -> SetTimer/KillTimer(ID_TIMER_SEARCH),
// OnProgress -> UM_SCAN_PROGRESS, OnFile -> UM_SCAN_TEXT(path), OnFinding -> UM_SCAN_RESULT,
// OnFinish -> UM_SCAN_FINISH, OnSummary -> UM_SCAN_TEXT(summary).
class ScanMessageAdapter : public ScanObserver {
 public:
  explicit ScanMessageAdapter(ScanReceiver& receiver) : receiver_(receiver) {}
  void OnStart() override;
  void OnSearching() override;
  void OnSearchTimer(bool running) override;
  void OnProgress(int percent) override;
  void OnFile(const std::u16string& path, size_t number, size_t total) override;
  void OnFinding(const ScanResultRow& row) override;
  void OnFinish() override;
  void OnSummary(const std::u16string& text, int files, int detected, int repaired) override;
  void OutputDebugText(std::string_view text) override;
  void OnSearchError(std::u16string_view path, std::string_view what) override;

 private:
  ScanReceiver& receiver_;
};

// One engine call: the file's zero-terminated UTF-16 path, the mode (the driver passes 1) and
// a caller-owned buffer of 260 units holding the empty string. Same contract as SCanFileVirus.
using EngineCall = std::function<int(const char16_t* path, int mode, char16_t* text)>;
// SCanFileVirus itself. Calls through it never overlap, whatever the number of drivers.
EngineCall DefaultEngineCall();
// The local removable and fixed drives (block-device mounts); injectable for tests.
using DriveLister = std::function<std::list<std::u16string>()>;
DriveLister DefaultDriveLister();

// Progress before the k-th of n files: k / n * 100 in double precision, rounded to single
// precision, truncated toward zero (so 29 of 100 gives 29, not 28).
int ScanProgress(size_t k, size_t n);
// The file size as shown in a result row: bytes / 1024 with two decimals and "K".
std::u16string FormatSizeText(uint64_t bytes);
// "共扫描 %d 个文件   检测到 %d 个异常   修复 %d 个异常", bounded to 1023 units.
std::u16string FormatSummary(int files, int detected, int repaired);

// The scan run state and the worker. An owner holds one driver and observes it (the main
// window through its messages). Only one scan run runs at a time: a start request while a
// worker runs is refused (answers false) and changes nothing.
class ScanRunDriver {
 public:
  explicit ScanRunDriver(ScanObserver& observer, EngineCall engine = DefaultEngineCall(),
                         DriveLister drives = DefaultDriveLister());
  // A window: the events arrive as its messages (ScanMessageAdapter).
  explicit ScanRunDriver(ScanReceiver& receiver, EngineCall engine = DefaultEngineCall(),
                         DriveLister drives = DefaultDriveLister());
  // Stops the worker (see Stop) before the state goes away.
  ~ScanRunDriver();
  ScanRunDriver(const ScanRunDriver&) = delete;
  ScanRunDriver& operator=(const ScanRunDriver&) = delete;

  // ---- start requests (the owner's thread) ----
  // All local removable and fixed drives. A run starts even when there is none.
  bool OnScanAllDisk();
  // One folder the user chose (the folder dialog is the window's part).
  bool OnScanDirectory(const std::u16string& folder);
  // Dropped files and folders (normally m_setDropped). A path that is not a folder, or whose
  // status cannot be read, is a file target. Without a set, nothing starts.
  bool ScanDroppedPaths(const std::set<std::u16string>* paths);

  // Whether folder links that lead outside every target of the run are followed (off by
  // default; links inside a target are always followed, each real folder once). Set before a
  // run starts.
  void SetFollowFolderLinks(bool follow) { followFolderLinks_ = follow; }
  // Streaming (off by default; the window's runs are never streaming): no search phase and no
  // list of all files. Folder targets are walked depth-first, each folder's entries in the
  // order of their names (UTF-16 code units, as m_setFiles orders paths), a subfolder's
  // contents where its name falls, and every file goes to the engine as soon as the walk
  // reaches it; file targets go in the order of the target list. The order differs from the
  // whole-path order of m_setFiles only where a name sorts around the separator ("b" and
  // "b-c": the walk gives "b/x" first, the paths' order "b-c"). The memory of a run follows
  // the depth of the tree and the size of its folders, not the number of files: the listings
  // of the folders on the current path and the visit guard. Set before a run starts.
  void SetStreamingWalk(bool streaming) { streamingWalk_ = streaming; }

  // ---- stopping (the owner's thread) ----
  // A stop is final: later start requests are refused.
  // Asks the worker to stop and returns at once. The engine call in progress finishes (no
  // document is left half repaired); after that the worker calls no engine and touches no
  // state, and from the moment this returns it begins no notification. A receiver that
  // forwards to the owner's thread may still get one notification that was already on its
  // way; it must drop it (StopRequested() tells) rather than block on it.
  void RequestStop();
  bool StopRequested() const { return stopRequested_.load(); }
  // Waits up to `timeout` for the worker to end; true when no worker runs any more. An owner
  // whose receiver needs its own thread keeps handling its events between waits.
  bool WaitForWorker(std::chrono::milliseconds timeout);
  // RequestStop, then wait until the worker has ended (for receivers that need no thread of
  // the owner's, such as the command line).
  void Stop();
  // True from an accepted start request until the worker has ended.
  bool IsRunning() const { return running_.load(); }

  // ---- scan run state (the owner reads it between runs) ----
  std::list<ScanTarget> m_lstTargets;    // targets of the next run, in the order added
  std::set<std::u16string> m_setDropped; // paths of the last drop
  std::set<std::u16string> m_setFiles;   // every file the run scans (ascending UTF-16 order);
                                         // empty after a streaming run
  std::atomic<int32_t> m_nFiles{0};      // files handed over so far (device paths included)
  std::atomic<int32_t> m_nSearchTick{0}; // search animation counter 0..100 (advanced by the window)
  std::atomic<int32_t> m_nDetected{0};   // files the engine reported in this run
  std::atomic<int32_t> m_nRepaired{0};   // counted together with m_nDetected

  // ---- worker side (public so that they can be exercised one by one) ----
  static uint32_t ScanThreadProc(ScanRunDriver* driver);  // answers 0
  void SearchTarget(bool& firstFolder, const std::u16string& path);
  void SearchDirectory(std::set<std::u16string>* set, const std::u16string& dir);
  // `typeKnown`: the walk has just seen that the file is no FIFO, socket or device node.
  void ScanFile(const std::u16string& path, bool typeKnown = false);

 private:
  struct WalkState;
  bool StartWorker(std::list<ScanTarget> targets, bool stayOnDevice);
  void RunWorker();
  // The target's setup for the walk: its drive when the run stays on it, its real folder.
  void BeginTarget(const std::u16string& dir, WalkState& walk) const;
  // The streaming run (streaming_walk.cpp).
  void RunStreaming();
  void StreamTarget(const std::u16string& path, WalkState& walk);
  void WalkStreaming(const std::u16string& dir, WalkState& walk);
  // Hands one file to the engine with its number; false once a stop was requested.
  bool HandOver(const std::u16string& path, bool typeKnown = false);
  void SearchDirectoryIn(std::set<std::u16string>& set, const std::u16string& dir, WalkState& walk,
                         unsigned depth);
  // Whether the walk enters a folder met in a listing (a link: only inside a target, unless
  // links are followed everywhere).
  bool FollowsInto(const std::u16string& folder, const WalkState& walk) const;
  bool Claim();  // the one-run-at-a-time guard
  void Unclaim();
  // Delivers an event (observer_.*event(args…)) unless a stop was requested; false when stopped.
  template <typename Event, typename... Args>
  bool Notify(Event event, Args&&... args) {
    if (stopRequested_.load()) return false;
    (observer_.*event)(std::forward<Args>(args)...);
    return true;
  }
  void FinishWorker();

  std::unique_ptr<ScanMessageAdapter> messages_;  // set when the owner is a window
  ScanObserver& observer_;
  EngineCall engine_;
  DriveLister drives_;
  std::thread worker_;
  std::atomic<bool> running_{false};
  std::atomic<bool> stopRequested_{false};
  std::mutex doneMutex_;
  std::condition_variable doneCv_;
  bool stayOnDevice_ = false;   // the all-drives run keeps each walk on its drive
  bool followFolderLinks_ = false;
  bool streamingWalk_ = false;
  WalkState* walk_ = nullptr;   // the current run's visited folders (worker only)
};

}  // namespace qv::frontend
