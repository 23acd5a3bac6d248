// CMainDlg: the program's only window and the controller of everything on it. It turns
// clicks on the named buttons into scan runs, closing, minimising and the restore flow, and
// the scan run's notifications into the status line, the progress bar, the result list and
// the enabled state of the controls. It holds the scan run driver and is its receiver.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "frontend/app/file_dialogs.h"
#include "frontend/driver/scan_driver.h"
#include "frontend/toolkit/host_wnd.h"

namespace qv::gui {

using ui::LPARAM;
using ui::LRESULT;
using ui::UINT;
using ui::WPARAM;

inline constexpr char kMainLayout[] = "LAYOUT:XML_MAINWND";

// What the window uses from outside; the defaults are the real engine, drives and dialogs.
struct MainDlgDeps {
  frontend::EngineCall engine = frontend::DefaultEngineCall();
  frontend::DriveLister drives = frontend::DefaultDriveLister();
  std::shared_ptr<FileDialogs> dialogs = std::make_shared<NativeFileDialogs>();
  // ReVirFile: the quarantine copy, the destination.
  std::function<int(const std::u16string& virPath, const std::u16string& destPath)> restore;
};

class CMainDlg : public ui::SHostWnd, public frontend::ScanReceiver {
 public:
  explicit CMainDlg(MainDlgDeps deps = MainDlgDeps());
  // Stops a running scan (the current file finishes) before anything goes away.
  ~CMainDlg() override;

  // ---- handlers ----
  LRESULT OnInitDialog();
  void OnClose();
  void OnMinimize();
  void OnScanAllDisk();
  void OnScanDirectory();
  void OnRestoreQuarantine();
  // Called by the drop target with the dropped paths.
  void ScanDroppedPaths(const std::set<std::u16string>* paths);
  LRESULT OnScanNotify(UINT message, WPARAM wParam, LPARAM lParam);
  void EnableScanControls(bool enable);
  void AddResultRow(const frontend::ScanResultRow* row);

  // The scan run state (m_lstTargets, m_setDropped, m_setFiles, counters).
  frontend::ScanRunDriver& Driver() { return driver_; }
  std::set<std::u16string>& DroppedPaths() { return driver_.m_setDropped; }
  bool IsClosing() const { return closing_.load(); }

  // ---- ScanReceiver (called on the worker thread) ----
  void SendScanMessage(uint32_t message, uintptr_t wParam) override;
  void SetTimer(uint32_t timerId, uint32_t periodMs) override;
  void KillTimer(uint32_t timerId) override;
  void OutputDebugText(std::string_view text) override;

 protected:
  LRESULT ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool OnFireEvent(const ui::EventArgs& event) override;

 private:
  void OnSearchTick();

  MainDlgDeps deps_;
  std::atomic<bool> closing_{false};
  frontend::ScanRunDriver driver_;  // last: its worker stops before the rest goes away
};

// Writes a text to the debugger output (standard error here).
void DebugOutput(std::string_view text);

// Makes `folder` the current directory; false (nothing changes) when it cannot be.
bool SetCurrentFolder(const std::u16string& folder);

// Puts the current directory back as it was when it was made (the dialogs move it).
class CurrentFolderKeeper {
 public:
  CurrentFolderKeeper();
  ~CurrentFolderKeeper();
  CurrentFolderKeeper(const CurrentFolderKeeper&) = delete;
  CurrentFolderKeeper& operator=(const CurrentFolderKeeper&) = delete;

 private:
  std::filesystem::path saved_;
};

}  // namespace qv::gui
