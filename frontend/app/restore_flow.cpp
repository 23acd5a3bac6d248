#include "frontend/app/restore_flow.h"

#include <QDir>
#include <QStandardPaths>

#include "engine/include/scan_engine.h"
#include "frontend/app/main_dlg.h"

namespace qv::gui {

QString FileNameOf(const QString& path) {
  const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
  return path.mid(cut + 1);
}

QString ProposedRestoreName(const QString& quarantinedName) {
  const qsizetype dot = quarantinedName.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? quarantinedName : quarantinedName.left(dot);
}

QString SaveDialogTitle(const QString& quarantinedName) {
  return QString::fromStdU16String(u"请选择%1保存位置").arg(quarantinedName).left(1023);
}

QString QuarantineFolderPath() {
  QString folder = QString::fromStdU16String(qv::api::QuarantineFolder());
  while (folder.size() > 1 && (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))) folder.chop(1);
  return folder;
}

void CMainDlg::OnRestoreQuarantine() {
  // The engine is not re-entrant: no restore while a scan run calls it.
  if (driver_.IsRunning() || closing_.load()) return;
  const QString saved = QDir::currentPath();
  try {
    FileRequest open;
    open.title = QString::fromStdU16String(kOpenQuarantineTitle);
    open.filter = QString::fromStdU16String(kQuarantineFilter);
    open.initialDir = QuarantineFolderPath();
    QDir::setCurrent(open.initialDir);  // a missing folder only leaves the directory as it was
    if (auto virPath = deps_.dialogs->OpenFile(open)) {
      const QString virName = FileNameOf(*virPath);
      FileRequest save;
      save.title = SaveDialogTitle(virName);
      save.filter = QString::fromStdU16String(kSaveAnyFilter);
      save.initialName = ProposedRestoreName(virName);
      save.initialDir = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
      QDir::setCurrent(save.initialDir);
      if (auto destPath = deps_.dialogs->SaveFile(save)) {
        deps_.restore(virPath->toStdU16String(), destPath->toStdU16String());
      }
    }
  } catch (...) {
    DebugOutput("CMainDlg::OnRestoreQuarantine异常!\r\n");
  }
  QDir::setCurrent(saved);
}

}  // namespace qv::gui
