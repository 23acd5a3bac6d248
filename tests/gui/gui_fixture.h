// Shared set-up of the GUI tests: the toolkit brought up over the program folder's
// resource package, a main window built from it, and waiting for the event loop.
#pragma once

#include <QString>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <vector>
#include <filesystem>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "frontend/app/main_dlg.h"
#include "frontend/toolkit/application.h"

namespace qv::test {

std::filesystem::path ProgramDir();

// The toolkit application over the program folder's uires.zip, optionally with the
// language file installed.
class ToolkitFromPackage {
 public:
  explicit ToolkitFromPackage(bool withLanguage = true);
  ui::SApplication& App() { return *app_; }

 private:
  ui::STranslatorMgr translator_;
  std::unique_ptr<ui::SApplication> app_;
};

// Processes events until `done` holds or the timeout passes; answers `done()`.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(10));

// A folder of its own below the system's temporary folder, removed at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path Write(const std::string& name, size_t bytes, char fill = 'x') const;

 private:
  std::filesystem::path path_;
};

// Dialogs answered by the test; every request and the current directory at the time it
// was shown are kept.
class FakeDialogs : public gui::FileDialogs {
 public:
  std::optional<std::u16string> folderAnswer, openAnswer, saveAnswer;
  std::vector<std::u16string> folderTitles;
  std::vector<gui::FileRequest> opens, saves;
  std::vector<QString> cwdAtOpen, cwdAtSave;

  std::optional<std::u16string> ChooseFolder(ui::SHostWnd*, const std::u16string& title) override;
  std::optional<std::u16string> OpenFile(const gui::FileRequest& request) override;
  std::optional<std::u16string> SaveFile(const gui::FileRequest& request) override;
};

// An engine stand-in: records the paths it is called with, answers a verdict per file name
// and, while closed, holds every call until it is opened (a file that takes long).
class GatedEngine {
 public:
  frontend::EngineCall Call();
  void SetVerdict(const std::string& fileName, const std::u16string& virusName);
  void Close();
  void Open();
  bool WaitForCalls(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10));
  std::vector<std::u16string> Calls();

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = true;
  std::vector<std::u16string> calls_;
  std::map<std::string, std::u16string> verdicts_;
};

// A main window built from the program folder's package with a gated engine, fake dialogs
// and no drives, set up as the start-up code does.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::vector<ui::SWindow*> ScanButtons();
  bool ControlsLocked();
  bool ControlsFree();
  bool WaitForRunEnd();

  ToolkitFromPackage toolkit_;
  std::shared_ptr<GatedEngine> engine_ = std::make_shared<GatedEngine>();
  std::shared_ptr<FakeDialogs> dialogs_ = std::make_shared<FakeDialogs>();
  std::unique_ptr<gui::CMainDlg> dlg_;
  int restoreCalls_ = 0;  // calls of the engine's ReVirFile
};

}  // namespace qv::test
