// CQuorvaneApp: the program's start-up and shutdown. Start-up makes the program folder the
// current directory, brings up the toolkit with the language file and the resource package,
// creates, centres and shows the main window and runs the message loop until the window
// closes; shutdown tears everything down in the reverse order.
#pragma once

#include <filesystem>
#include <functional>

#include "frontend/app/main_dlg.h"

namespace qv::gui {

struct AppOptions {
  std::filesystem::path programDir;  // holds uires.zip and Translator/lang_cn.xml
  MainDlgDeps deps;
  // Called once the main window is shown, before the message loop runs (the screenshot
  // run uses it to drive the window).
  std::function<void(CMainDlg&)> onShown;
};

// Exit codes of a start-up that could not finish.
inline constexpr int kExitNoProgramFolder = 2;
inline constexpr int kExitNoPackage = 3;
inline constexpr int kExitNoWindow = 4;

class CQuorvaneApp {
 public:
  // Needs the backend's application (a QApplication with Qt). Answers 0 after a normal end, a kExit… code when start-up failed
  // (after telling the user why).
  int InitInstance(const AppOptions& options);
};

// Reports a start-up failure: on standard error, and in a message box where there is a
// display.
void ReportStartupFailure(const std::u16string& message);

}  // namespace qv::gui
