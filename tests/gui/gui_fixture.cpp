#include "tests/gui/gui_fixture.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>
#include <fstream>
#include <random>

#include "engine/include/scanvirus.h"
#include "frontend/toolkit/markup/markup_tree.h"
#include "frontend/toolkit/qt/element_view.h"

namespace qv::test {

std::filesystem::path ProgramDir() { return QV_PROGRAM_DIR; }

ToolkitFromPackage::ToolkitFromPackage(bool withLanguage) : app_(std::make_unique<ui::SApplication>("SOUIHOST")) {
  app_->SetTranslator(&translator_);
  if (withLanguage) {
    QFile file(QString::fromStdString((ProgramDir() / "Translator" / "lang_cn.xml").string()));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    auto tree = ui::ParseMarkup(std::string_view(bytes.constData(), size_t(bytes.size())));
    EXPECT_TRUE(tree && translator_.InstallTranslator(*tree));
  }
  auto package = std::make_unique<ui::SResProviderZip>();
  EXPECT_TRUE(package->Init((ProgramDir() / "uires.zip").string()));
  app_->AddResProvider(std::move(package));
  EXPECT_TRUE(app_->Init("XML_INIT", "UIDEF"));
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  return true;
}

TempFolder::TempFolder() {
  std::random_device random;
  path_ = std::filesystem::temp_directory_path() / ("qv-gui-" + std::to_string(random()));
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempFolder::Write(const std::string& name, size_t bytes, char fill) const {
  const std::filesystem::path file = path_ / name;
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << std::string(bytes, fill);
  return file;
}

std::optional<std::u16string> FakeDialogs::ChooseFolder(ui::SHostWnd*, const std::u16string& title) {
  folderTitles.push_back(title);
  return folderAnswer;
}

std::optional<std::u16string> FakeDialogs::OpenFile(const gui::FileRequest& request) {
  opens.push_back(request);
  cwdAtOpen.push_back(QDir::currentPath());
  return openAnswer;
}

std::optional<std::u16string> FakeDialogs::SaveFile(const gui::FileRequest& request) {
  saves.push_back(request);
  cwdAtSave.push_back(QDir::currentPath());
  return saveAnswer;
}

frontend::EngineCall GatedEngine::Call() {
  return [this](const char16_t* path, int, char16_t* text) {
    std::unique_lock lock(mutex_);
    calls_.emplace_back(path);
    changed_.notify_all();
    changed_.wait(lock, [this] { return open_; });
    const std::string name = std::filesystem::path(std::u16string(path)).filename().string();
    auto verdict = verdicts_.find(name);
    if (verdict == verdicts_.end()) return 1;
    const size_t n = std::min<size_t>(verdict->second.size(), 259);
    std::char_traits<char16_t>::copy(text, verdict->second.data(), n);
    text[n] = 0;
    return 1;
  };
}

void GatedEngine::SetVerdict(const std::string& fileName, const std::u16string& virusName) {
  std::lock_guard lock(mutex_);
  verdicts_[fileName] = virusName;
}

void GatedEngine::Close() {
  std::lock_guard lock(mutex_);
  open_ = false;
}

void GatedEngine::Open() {
  {
    std::lock_guard lock(mutex_);
    open_ = true;
  }
  changed_.notify_all();
}

bool GatedEngine::WaitForCalls(size_t count, std::chrono::milliseconds timeout) {
  return WaitUntil(
      [&] {
        std::lock_guard lock(mutex_);
        return calls_.size() >= count;
      },
      timeout);
}

std::vector<std::u16string> GatedEngine::Calls() {
  std::lock_guard lock(mutex_);
  return calls_;
}

void MainWindowTest::SetUp() {
  gui::MainDlgDeps deps;
  deps.engine = engine_->Call();
  deps.drives = [] { return std::list<std::u16string>{}; };
  deps.dialogs = dialogs_;
  deps.restore = [this](const std::u16string& vir, const std::u16string& dest) {
    ++restoreCalls_;
    return ReVirFile(vir.c_str(), dest.c_str());
  };
  dlg_ = std::make_unique<gui::CMainDlg>(deps);
  ASSERT_TRUE(dlg_->Create(nullptr));
  dlg_->SendMessage(ui::WM_INITDIALOG, 0, 0);
}

void MainWindowTest::TearDown() {
  engine_->Open();  // a test that failed half-way must not leave the worker waiting
  dlg_.reset();
}

std::vector<ui::SWindow*> MainWindowTest::ScanButtons() {
  return {dlg_->FindChildByName("scan_all"), dlg_->FindChildByName("scan_dir"), dlg_->FindChildByName("scan_file")};
}

bool MainWindowTest::ControlsLocked() {
  for (ui::SWindow* button : ScanButtons()) {
    if (!button || !button->IsDisabled()) return false;
  }
  return !dlg_->FindChildByName("edit_drop_top")->IsVisible();
}

bool MainWindowTest::ControlsFree() {
  for (ui::SWindow* button : ScanButtons()) {
    if (!button || button->IsDisabled()) return false;
  }
  return dlg_->FindChildByName("edit_drop_top")->IsVisible();
}

bool MainWindowTest::WaitForRunEnd() {
  return WaitUntil([&] {
    return !dlg_->Driver().IsRunning() && ui::QtText(dlg_->FindChildByName("scanshow.info")->GetWindowText()).startsWith(
                                              QString::fromUtf8("共扫描"));
  });
}

}  // namespace qv::test
