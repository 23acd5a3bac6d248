// The quarantine restore flow with its two dialogs answered by the test, and the real
// engine turning the quarantine copy back into the original file.
#include <gtest/gtest.h>

#include <QDir>
#include <QStandardPaths>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "engine/common/quarantine.h"
#include "engine/platform/platform.h"
#include "frontend/app/restore_flow.h"
#include "tests/gui/gui_fixture.h"

namespace qv::gui {
namespace {

using qv::testing::MainWindowTest;
using qv::testing::TempFolder;

std::u16string U16(const char* utf8) { return QString::fromUtf8(utf8).toStdU16String(); }
QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

// The proposed name is the engine's restore name (the command line restores into a folder
// under the same one): ".vir" goes; a file picked without it is marked as restored.
TEST(RestoreNames, ProposedNameIsTheRestoreNameAndTheTitleNamesTheCopy) {
  struct {
    const char* chosen;
    const char* proposed;
    const char* title;
  } cases[] = {
      {"/q/RepairBrack/report.doc.vir", "report.doc", "请选择report.doc.vir保存位置"},
      {"/q/RepairBrack/archive.tar.gz.vir", "archive.tar.gz", "请选择archive.tar.gz.vir保存位置"},
      {"/q/Repair.Brack/NODOT", "NODOT.restored", "请选择NODOT保存位置"},
      {"/q/RepairBrack/report.doc", "report.doc.restored", "请选择report.doc保存位置"},
      {"/q/RepairBrack/REPORT.DOC.VIR", "REPORT.DOC", "请选择REPORT.DOC.VIR保存位置"},
      {"C:\\q\\RepairBrack\\报告(2).doc.vir", "报告(2).doc", "请选择报告(2).doc.vir保存位置"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chosen);
    const std::u16string name = FileNameOf(U16(c.chosen));
    EXPECT_EQ(ProposedRestoreName(name), U16(c.proposed));
    EXPECT_EQ(SaveDialogTitle(name), U16(c.title));
  }
  EXPECT_EQ(SaveDialogTitle(std::u16string(2000, u'x')).size(), 1023u);
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Restore : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    before_ = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(start_.Path().string()));
    std::filesystem::create_directories(std::filesystem::path(QuarantineFolderPath()));
  }
  void TearDown() override {
    QDir::setCurrent(before_);
    MainWindowTest::TearDown();
  }
  QString before_;
  TempFolder start_;
};

TEST_F(Restore, RestoresTheChosenCopyWhereTheUserSaysAndPutsTheDirectoryBack) {
  TempFolder work;
  std::string original = "\xD0\xCF\x11\xE0 document bytes";
  original.append(3000, '\x9D');  // bytes equal to the scrambling key become zeros in the copy
  std::vector<uint8_t> scrambled(original.begin(), original.end());
  ScrambleBytes(scrambled.data(), scrambled.size());
  const auto vir = work.Path() / "report.doc.vir";
  std::ofstream(vir, std::ios::binary).write(reinterpret_cast<const char*>(scrambled.data()), scrambled.size());
  const auto dest = work.Path() / "restored" / "report.doc";
  std::filesystem::create_directories(dest.parent_path());
  dialogs_->openAnswer = vir.u16string();
  dialogs_->saveAnswer = dest.u16string();

  dlg_->OnRestoreQuarantine();

  ASSERT_EQ(dialogs_->opens.size(), 1u);
  EXPECT_EQ(dialogs_->opens[0].title, u"请选择RepairBrack目录需要恢复的文件");
  EXPECT_EQ(dialogs_->opens[0].filter, u"隔离文件 (*.vir)");
  EXPECT_EQ(dialogs_->opens[0].initialDir, QuarantineFolderPath());
  EXPECT_TRUE(Q(QuarantineFolderPath()).endsWith("RepairBrack"));
  EXPECT_EQ(dialogs_->cwdAtOpen[0], QDir(Q(QuarantineFolderPath())).absolutePath());
  ASSERT_EQ(dialogs_->saves.size(), 1u);
  EXPECT_EQ(dialogs_->saves[0].title, u"请选择report.doc.vir保存位置");
  EXPECT_EQ(dialogs_->saves[0].initialName, u"report.doc");
  EXPECT_EQ(Q(dialogs_->saves[0].initialDir), QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
  EXPECT_EQ(restoreCalls_, 1);
  EXPECT_EQ(ReadAll(dest), original);
  EXPECT_EQ(QDir::currentPath(), QString::fromStdString(start_.Path().string()));
}

TEST_F(Restore, CancellingEitherDialogRestoresNothingAndPutsTheDirectoryBack) {
  TempFolder work;
  const auto vir = work.Write("a.doc.vir", 10);
  for (bool cancelOpen : {true, false}) {
    SCOPED_TRACE(cancelOpen);
    dialogs_->opens.clear();
    dialogs_->saves.clear();
    dialogs_->openAnswer = cancelOpen ? std::nullopt : std::optional<std::u16string>(vir.u16string());
    dialogs_->saveAnswer = std::nullopt;
    dlg_->OnRestoreQuarantine();
    EXPECT_EQ(dialogs_->opens.size(), 1u);
    EXPECT_EQ(dialogs_->saves.size(), cancelOpen ? 0u : 1u);
    EXPECT_EQ(QDir::currentPath(), QString::fromStdString(start_.Path().string()));
  }
  EXPECT_EQ(restoreCalls_, 0);
}

// An installed program folder is shared by every user: the dialog starts in the user's own
// quarantine, the one the engine fills for this user.
TEST_F(Restore, InstalledProgramOpensTheUsersOwnQuarantine) {
  TempFolder program, data;
  std::ofstream(program.Path() / "installed-layout") << "system-wide install\n";
  const char* oldXdg = std::getenv("XDG_DATA_HOME");
  const std::string savedXdg = oldXdg != nullptr ? oldXdg : "";
  ::setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
  platform::testing::OverrideProgramPath(platform::FromNarrow((program.Path() / "Quorvane").string()));
  dialogs_->openAnswer = std::nullopt;

  dlg_->OnRestoreQuarantine();

  platform::testing::OverrideProgramPath(std::nullopt);
  if (oldXdg != nullptr) {
    ::setenv("XDG_DATA_HOME", savedXdg.c_str(), 1);
  } else {
    ::unsetenv("XDG_DATA_HOME");
  }
  ASSERT_EQ(dialogs_->opens.size(), 1u);
  EXPECT_EQ(Q(dialogs_->opens[0].initialDir),
            QString::fromStdString((data.Path() / "quorvane" / "RepairBrack").string()));
  EXPECT_EQ(QDir::currentPath(), QString::fromStdString(start_.Path().string()));
}

}  // namespace
}  // namespace qv::gui
