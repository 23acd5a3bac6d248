#include "tests/gui/win32_fixture.h"

#include <algorithm>

#include "frontend/toolkit/win32/system_headers.h"

namespace qv::test {

std::filesystem::path ProgramDir() { return std::filesystem::path(QV_PROGRAM_DIR); }

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

void* MakeHDrop(const std::vector<std::wstring>& names) {
  size_t units = 1;
  for (const auto& name : names) units += name.size() + 1;
  HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + units * sizeof(wchar_t));
  auto* header = static_cast<DROPFILES*>(GlobalLock(block));
  header->pFiles = sizeof(DROPFILES);  // names right after the header
  header->fWide = TRUE;                // UTF-16 names
  auto* text = reinterpret_cast<wchar_t*>(header + 1);
  for (const auto& name : names) {
    std::copy(name.begin(), name.end(), text);
    text += name.size() + 1;
  }
  GlobalUnlock(block);
  return block;
}

void Win32MainWindow::SetUp() {
  std::filesystem::current_path(ProgramDir());
  app_ = std::make_unique<ui::SApplication>("SOUIHOST");
  auto package = std::make_unique<ui::SResProviderZip>();
  ASSERT_TRUE(package->Init("uires.zip"));
  app_->AddResProvider(std::move(package));
  ASSERT_TRUE(app_->Init("XML_INIT", "UIDEF"));
  gui::MainDlgDeps deps;
  deps.engine = [this](const char16_t* path, int, char16_t*) {
    std::lock_guard lock(mutex_);
    scanned_.emplace_back(path);
    return 0;
  };
  deps.drives = [] { return std::list<std::u16string>(); };
  AdjustDeps(deps);
  dlg_ = std::make_unique<gui::CMainDlg>(deps);
  ASSERT_TRUE(dlg_->Create(nullptr));
  dlg_->SendMessage(WM_INITDIALOG);  // the system header's value, the same as the toolkit's
}

void Win32MainWindow::TearDown() {
  dlg_.reset();
  app_.reset();
}

std::vector<std::u16string> Win32MainWindow::Scanned() {
  std::lock_guard lock(mutex_);
  std::vector<std::u16string> sorted = scanned_;
  std::sort(sorted.begin(), sorted.end());
  return sorted;
}

}  // namespace qv::test
