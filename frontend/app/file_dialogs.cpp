#include "frontend/app/file_dialogs.h"

#include <QFileDialog>

namespace qv::gui {
namespace {

std::optional<QString> RunFileDialog(const FileRequest& request, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(nullptr, request.title, request.initialDir, request.filter);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (!request.initialName.isEmpty()) dialog.selectFile(request.initialName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front();
}

}  // namespace

std::optional<QString> QtFileDialogs::ChooseFolder(QWidget* owner, const QString& title) {
  const QString folder = QFileDialog::getExistingDirectory(owner, title, QString(), QFileDialog::ShowDirsOnly);
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

std::optional<QString> QtFileDialogs::OpenFile(const FileRequest& request) {
  return RunFileDialog(request, QFileDialog::AcceptOpen);
}

std::optional<QString> QtFileDialogs::SaveFile(const FileRequest& request) {
  // QFileDialog asks before replacing an existing file unless told not to.
  return RunFileDialog(request, QFileDialog::AcceptSave);
}

}  // namespace qv::gui
