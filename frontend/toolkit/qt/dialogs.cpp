// The folder chooser and file dialogs are Qt's; fatal start-up errors go to standard error
// and, where there is a display, to a message box.
#include "frontend/toolkit/dialogs.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QStandardPaths>
#include <cstdio>

#include "frontend/toolkit/qt/host_wnd.h"

namespace qv::ui {
namespace {

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

std::optional<std::u16string> RunFileDialog(const FileDialogRequest& request, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(nullptr, Q(request.title), Q(request.initialDir), Q(request.filter));
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (!request.initialName.empty()) dialog.selectFile(Q(request.initialName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdU16String();
}

}  // namespace

std::optional<std::u16string> ChooseFolderDialog(SHostWnd* owner, const std::u16string& title) {
  const QString folder = QFileDialog::getExistingDirectory(owner, Q(title), QString(), QFileDialog::ShowDirsOnly);
  if (folder.isEmpty()) return std::nullopt;
  return folder.toStdU16String();
}

std::optional<std::u16string> OpenFileDialog(const FileDialogRequest& request) {
  return RunFileDialog(request, QFileDialog::AcceptOpen);
}

std::optional<std::u16string> SaveFileDialog(const FileDialogRequest& request) {
  // QFileDialog asks before replacing an existing file unless told not to.
  return RunFileDialog(request, QFileDialog::AcceptSave);
}

std::u16string DesktopFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation).toStdU16String();
}

void ReportFatalError(const std::u16string& title, const std::u16string& message) {
  std::fprintf(stderr, "%s: %s\n", Q(title).toLocal8Bit().constData(), Q(message).toLocal8Bit().constData());
  const QString platform = QGuiApplication::platformName();
  if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal")) {
    QMessageBox::critical(nullptr, Q(title), Q(message));
  }
}

}  // namespace qv::ui
