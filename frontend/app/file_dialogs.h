// The dialogs the main window shows: the folder chooser of a one-folder scan run and the two
// file dialogs of the restore flow. Behind an interface so that the flows can be driven
// without a person (tests, the screenshot run).
#pragma once

#include <QString>
#include <QWidget>
#include <optional>

namespace qv::gui {

struct FileRequest {
  QString title;
  QString filter;       // in Qt's form, "隔离文件 (*.vir)"
  QString initialDir;
  QString initialName;  // save dialogs: the proposed file name
};

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // nullopt when the user cancels.
  virtual std::optional<QString> ChooseFolder(QWidget* owner, const QString& title) = 0;
  virtual std::optional<QString> OpenFile(const FileRequest& request) = 0;
  // Asks before an existing file is replaced.
  virtual std::optional<QString> SaveFile(const FileRequest& request) = 0;
};

// Qt's own file dialogs.
class QtFileDialogs : public FileDialogs {
 public:
  std::optional<QString> ChooseFolder(QWidget* owner, const QString& title) override;
  std::optional<QString> OpenFile(const FileRequest& request) override;
  std::optional<QString> SaveFile(const FileRequest& request) override;
};

}  // namespace qv::gui
