#include "frontend/app/main_dlg.h"

#include <cstdio>

#include "engine/include/scanvirus.h"
#include "frontend/app/drop_target.h"
#include "frontend/toolkit/controls.h"
#include "frontend/toolkit/list_ctrl.h"

namespace qv::gui {

using namespace qv::frontend;

namespace {

const std::string kScanAll = "scan_all";
const std::string kScanDir = "scan_dir";
const std::string kScanFile = "scan_file";
const std::string kDropBox = "edit_drop_top";
const std::string kStatusLine = "scanshow.info";
const std::string kProgress = "scanshow.prog";
const std::string kResultList = "virusshow";

int RestoreWithEngine(const std::u16string& virPath, const std::u16string& destPath) {
  return ReVirFile(reinterpret_cast<const sv_char16*>(virPath.c_str()), reinterpret_cast<const sv_char16*>(destPath.c_str()));
}

// The folder chooser may answer with '/' separators; the driver gets the system's own.
std::u16string NativeSeparators(std::u16string path) {
#if defined(_WIN32)
  for (char16_t& c : path) {
    if (c == u'/') c = u'\\';
  }
#endif
  return path;
}

}  // namespace

bool SetCurrentFolder(const std::u16string& folder) {
  std::error_code error;
  std::filesystem::current_path(std::filesystem::path(folder), error);
  return !error;
}

CurrentFolderKeeper::CurrentFolderKeeper() {
  std::error_code error;
  saved_ = std::filesystem::current_path(error);
}

CurrentFolderKeeper::~CurrentFolderKeeper() {
  std::error_code error;
  if (!saved_.empty()) std::filesystem::current_path(saved_, error);
}

void DebugOutput(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

CMainDlg::CMainDlg(MainDlgDeps deps)
    : ui::SHostWnd(kMainLayout), deps_(std::move(deps)), driver_(*this, deps_.engine, deps_.drives) {
  if (!deps_.restore) deps_.restore = RestoreWithEngine;
  if (!deps_.dialogs) deps_.dialogs = std::make_shared<NativeFileDialogs>();
}

CMainDlg::~CMainDlg() {
  closing_.store(true);
  ShowWindow(0);
  // The worker may be waiting for this thread inside a send: release it, then wait until
  // its current file is done. Nothing reaches the window after this.
  CloseMessageBridge();
  driver_.RequestStop();
  while (!driver_.WaitForWorker(std::chrono::milliseconds(20))) ReleasePendingSends();
  driver_.Stop();
}

// ---- messages ----

LRESULT CMainDlg::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case ui::WM_INITDIALOG:
      return OnInitDialog();
    case ui::WM_CLOSE:
      OnClose();
      return 0;
    case ui::WM_SHOWWINDOW:
      if (wParam != 0) AnimateHostWindow(200, ui::AW_CENTER);
      return 0;
    case ui::WM_TIMER:
      if (wParam == ID_TIMER_SEARCH) OnSearchTick();
      return 0;
    case UM_SCAN_START:
    case UM_SCAN_TEXT:
    case UM_SCAN_PROGRESS:
    case UM_SCAN_FINISH:
    case UM_SCAN_RESULT:
      return OnScanNotify(message, wParam, lParam);
    default:
      return SHostWnd::ProcessWindowMessage(message, wParam, lParam);
  }
}

bool CMainDlg::OnFireEvent(const ui::EventArgs& event) {
  if (event.id != ui::EVT_CMD) return false;
  const std::string& name = event.nameFrom;
  if (name == "btn_close") OnClose();
  else if (name == "btn_min") OnMinimize();
  else if (name == kScanAll) OnScanAllDisk();
  else if (name == kScanDir) OnScanDirectory();
  else if (name == kScanFile) OnRestoreQuarantine();
  else return false;
  return true;
}

LRESULT CMainDlg::OnInitDialog() {
  if (ui::SWindow* root = GetRoot()) SetWindowRgn(ui::RoundRectRegion(root->GetWindowRect(), 40, 40), true);
  if (ui::SWindow* dropBox = FindChildByName(kDropBox)) {
    EnableDropDispatcher();
    RegisterDragDrop(dropBox->GetSwnd(), new CTestDropTarget1(dropBox, this));
    // No typing into the drop box; it still takes drops.
    dropBox->EnableWindow(false, false);
  }
  return 0;
}

void CMainDlg::OnClose() {
  // The worker of any kind of scan run stops after its current file and reports nothing
  // more; the loop ends and the start-up code tears everything down.
  closing_.store(true);
  driver_.RequestStop();
  PostMessage(ui::WM_QUIT, 0, 0);
}

void CMainDlg::OnMinimize() { SendMessage(ui::WM_SYSCOMMAND, ui::SC_MINIMIZE, 0); }

void CMainDlg::OnSearchTick() {
  SendMessage(UM_SCAN_PROGRESS, WPARAM(driver_.m_nSearchTick.load()), 0);
  int next = driver_.m_nSearchTick.load() + 1;
  if (next > 100) next = 0;
  driver_.m_nSearchTick.store(next);
}

// ---- start requests ----

void CMainDlg::OnScanAllDisk() {
  if (driver_.IsRunning() || closing_.load()) return;
  driver_.OnScanAllDisk();  // reports its own faults to the debugger output
}

void CMainDlg::OnScanDirectory() {
  if (driver_.IsRunning() || closing_.load()) return;
  const CurrentFolderKeeper keeper;
  try {
    auto folder = deps_.dialogs->ChooseFolder(this, u"请选择文件夹");
    if (folder && !folder->empty()) driver_.OnScanDirectory(NativeSeparators(*folder));
  } catch (...) {
    DebugOutput(kScanDirectoryFault);
  }
}

void CMainDlg::ScanDroppedPaths(const std::set<std::u16string>* paths) {
  if (closing_.load()) return;
  driver_.ScanDroppedPaths(paths);
}

// ---- notifications of the scan run ----

LRESULT CMainDlg::OnScanNotify(UINT message, WPARAM wParam, LPARAM) {
  auto* info = FindChildByName(kStatusLine);
  auto* progress = FindChildByName2<ui::SProgress>(kProgress);
  switch (message) {
    case UM_SCAN_START:
      if (auto* list = FindChildByName2<ui::SListCtrl>(kResultList)) list->DeleteAllItems();
      if (info) info->SetWindowText(std::u16string());
      if (progress) progress->SetValue(0);
      EnableScanControls(false);
      break;
    case UM_SCAN_TEXT: {
      const auto* text = reinterpret_cast<const char16_t*>(wParam);
      if (text && *text && info) info->SetWindowText(std::u16string(text));
      break;
    }
    case UM_SCAN_PROGRESS: {
      const auto value = static_cast<intptr_t>(wParam);
      if (progress) progress->SetValue(value <= 0 || value > 100 ? 0 : int(value));
      break;
    }
    case UM_SCAN_FINISH:
      if (progress) progress->SetValue(0);
      EnableScanControls(true);
      break;
    case UM_SCAN_RESULT:
      AddResultRow(reinterpret_cast<const ScanResultRow*>(wParam));
      break;
    default:
      break;
  }
  return 0;
}

void CMainDlg::EnableScanControls(bool enable) {
  for (const std::string& name : {kScanAll, kScanDir, kScanFile}) {
    if (ui::SWindow* button = FindChildByName(name)) button->EnableWindow(enable, false);
  }
  if (ui::SWindow* dropBox = FindChildByName(kDropBox)) dropBox->SetVisible(enable, false);
}

void CMainDlg::AddResultRow(const ScanResultRow* row) {
  auto* list = FindChildByName2<ui::SListCtrl>(kResultList);
  if (!row || !list) return;
  const int n = list->GetItemCount();
  list->InsertItem(n, row->path, -1);
  list->SetSubItemText(n, 1, row->sizeText);
  list->SetSubItemText(n, 2, row->anomaly);
  list->SetSubItemText(n, 3, row->action);
}

// ---- ScanReceiver ----

void CMainDlg::SendScanMessage(uint32_t message, uintptr_t wParam) {
  // After a stop request nothing more reaches the window; a send that is already queued is
  // released by the closed message bridge at teardown.
  if (closing_.load() || driver_.StopRequested()) return;
  SendMessage(message, wParam, 0);
}

void CMainDlg::SetTimer(uint32_t timerId, uint32_t periodMs) {
  if (!closing_.load()) SHostWnd::SetTimer(timerId, periodMs);
}

void CMainDlg::KillTimer(uint32_t timerId) { SHostWnd::KillTimer(timerId); }

void CMainDlg::OutputDebugText(std::string_view text) { DebugOutput(text); }

}  // namespace qv::gui
