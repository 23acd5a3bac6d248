#include "frontend/app/restore_flow.h"

#include "engine/include/scan_engine.h"
#include "frontend/app/main_dlg.h"

namespace qv::gui {

std::u16string FileNameOf(const std::u16string& path) {
  const size_t cut = path.find_last_of(u"/\\");
  return cut == std::u16string::npos ? path : path.substr(cut + 1);
}

std::u16string ProposedRestoreName(const std::u16string& quarantinedName) {
  return qv::api::OriginalNameOf(quarantinedName);
}

std::u16string SaveDialogTitle(const std::u16string& quarantinedName) {
  return (u"请选择" + quarantinedName + u"保存位置").substr(0, 1023);
}

std::u16string QuarantineFolderPath() {
  std::u16string folder = qv::api::QuarantineFolder();
  while (folder.size() > 1 && (folder.back() == u'/' || folder.back() == u'\\')) folder.pop_back();
  return folder;
}

void CMainDlg::OnRestoreQuarantine() {
  // The engine is not re-entrant: no restore while a scan run calls it.
  if (driver_.IsRunning() || closing_.load()) return;
  const CurrentFolderKeeper keeper;
  try {
    FileRequest open;
    open.title = kOpenQuarantineTitle;
    open.filter = kQuarantineFilter;
    open.initialDir = QuarantineFolderPath();
    SetCurrentFolder(open.initialDir);  // a missing folder only leaves the directory as it was
    if (auto virPath = deps_.dialogs->OpenFile(open)) {
      const std::u16string virName = FileNameOf(*virPath);
      FileRequest save;
      save.title = SaveDialogTitle(virName);
      save.filter = kSaveAnyFilter;
      save.initialName = ProposedRestoreName(virName);
      save.initialDir = ui::DesktopFolder();
      SetCurrentFolder(save.initialDir);
      if (auto destPath = deps_.dialogs->SaveFile(save)) deps_.restore(*virPath, *destPath);
    }
  } catch (...) {
    DebugOutput("CMainDlg::OnRestoreQuarantine异常!\r\n");
  }
}

}  // namespace qv::gui
