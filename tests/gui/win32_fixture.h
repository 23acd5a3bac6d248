// The main window of the Win32 backend over the program folder's resource package, with an
// engine that only records what it is asked to scan: the fixture of the GUI tests that run
// under Wine.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "frontend/app/main_dlg.h"
#include "frontend/toolkit/application.h"

namespace qv::test {

std::filesystem::path ProgramDir();

// Handles the thread's window messages until `done` holds; false when `limit` passed first.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(20));

// A CF_HDROP block as the shell makes it (an HGLOBAL): a DROPFILES header, then the UTF-16
// names, each ended by a zero, and one more zero that ends the list.
void* MakeHDrop(const std::vector<std::wstring>& names);

class Win32MainWindow : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // What a test changes in the window's services before the window is made.
  virtual void AdjustDeps(gui::MainDlgDeps& deps) {}
  // The paths the engine was asked to scan, sorted.
  std::vector<std::u16string> Scanned();

  std::unique_ptr<ui::SApplication> app_;
  std::unique_ptr<gui::CMainDlg> dlg_;

 private:
  std::mutex mutex_;
  std::vector<std::u16string> scanned_;
};

}  // namespace qv::test
