// The native folder chooser and file dialogs, and the other services of the window
// system the application layer needs. Each backend implements them (qt/, win32/).
#pragma once

#include <optional>
#include <string>

namespace qv::ui {

class SHostWnd;

struct FileDialogRequest {
  std::u16string title;
  std::u16string filter;       // "隔离文件 (*.vir)": a label and patterns in parentheses
  std::u16string initialDir;
  std::u16string initialName;  // save dialogs: the proposed file name
};

// nullopt when the user cancels.
std::optional<std::u16string> ChooseFolderDialog(SHostWnd* owner, const std::u16string& title);
std::optional<std::u16string> OpenFileDialog(const FileDialogRequest& request);
// Asks before an existing file is replaced.
std::optional<std::u16string> SaveFileDialog(const FileDialogRequest& request);

// The user's desktop folder (empty when unknown).
std::u16string DesktopFolder();
// Tells the user why the program cannot start: on standard error, and in a message box
// where there is a display.
void ReportFatalError(const std::u16string& title, const std::u16string& message);

}  // namespace qv::ui
