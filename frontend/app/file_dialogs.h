// The dialogs the main window shows: the folder chooser of a one-folder scan run and the two
// file dialogs of the restore flow. Behind an interface so that the flows can be driven
// without a person (tests, the screenshot run).
#pragma once

#include <optional>
#include <string>

#include "frontend/toolkit/dialogs.h"
#include "frontend/toolkit/host_wnd.h"

namespace qv::gui {

using FileRequest = ui::FileDialogRequest;

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // nullopt when the user cancels.
  virtual std::optional<std::u16string> ChooseFolder(ui::SHostWnd* owner, const std::u16string& title) = 0;
  virtual std::optional<std::u16string> OpenFile(const FileRequest& request) = 0;
  // Asks before an existing file is replaced.
  virtual std::optional<std::u16string> SaveFile(const FileRequest& request) = 0;
};

// The window system's own dialogs.
class NativeFileDialogs : public FileDialogs {
 public:
  std::optional<std::u16string> ChooseFolder(ui::SHostWnd* owner, const std::u16string& title) override {
    return ui::ChooseFolderDialog(owner, title);
  }
  std::optional<std::u16string> OpenFile(const FileRequest& request) override { return ui::OpenFileDialog(request); }
  std::optional<std::u16string> SaveFile(const FileRequest& request) override { return ui::SaveFileDialog(request); }
};

}  // namespace qv::gui
