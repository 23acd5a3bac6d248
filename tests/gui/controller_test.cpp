// The main window controller as a state machine driven by the scan run's notifications,
// and whole scan runs through the real driver with a stand-in engine.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <thread>

#include "frontend/toolkit/controls.h"
#include "frontend/toolkit/list_ctrl.h"
#include "frontend/toolkit/qt/element_view.h"
#include "tests/gui/gui_fixture.h"

namespace qv::gui {
namespace {

using namespace qv::frontend;
using qv::test::MainWindowTest;
using qv::test::TempFolder;
using qv::test::WaitUntil;

ScanResultRow MakeRow(const std::u16string& path, const std::u16string& size, const std::u16string& anomaly) {
  ScanResultRow row{};
  std::char_traits<char16_t>::copy(row.path, path.c_str(), path.size() + 1);
  std::char_traits<char16_t>::copy(row.sizeText, size.c_str(), size.size() + 1);
  std::char_traits<char16_t>::copy(row.anomaly, anomaly.c_str(), anomaly.size() + 1);
  std::char_traits<char16_t>::copy(row.action, kRepairedAction, std::char_traits<char16_t>::length(kRepairedAction) + 1);
  return row;
}

class Controller : public MainWindowTest {
 protected:
  ui::SListCtrl* List() { return dlg_->FindChildByName2<ui::SListCtrl>("virusshow"); }
  QString Info() { return ui::QtText(dlg_->FindChildByName("scanshow.info")->GetWindowText()); }
  int Progress() { return dlg_->FindChildByName2<ui::SProgress>("scanshow.prog")->GetValue(); }
  void Send(UINT message, WPARAM wParam = 0) { dlg_->SendMessage(message, wParam, 0); }
  void Click(const char* name) { dlg_->FindChildByName2<ui::SImageButton>(name)->Click(); }
};

TEST_F(Controller, SetUpRoundsTheWindowAndPreparesTheDropBox) {
  const QRegion& region = dlg_->WindowRgn();
  EXPECT_TRUE(region.contains(QPoint(400, 300)));
  EXPECT_TRUE(region.contains(QPoint(20, 1)));
  EXPECT_FALSE(region.contains(QPoint(0, 0)));
  EXPECT_FALSE(region.contains(QPoint(799, 599)));
  ui::SWindow* drop = dlg_->FindChildByName("edit_drop_top");
  EXPECT_TRUE(drop->IsVisible());
  EXPECT_TRUE(drop->IsDisabled());  // no typing; drops still arrive
  EXPECT_TRUE(ControlsFree());
  EXPECT_EQ(Progress(), 0);
  EXPECT_EQ(Info(), "");
}

TEST_F(Controller, NotificationsDriveTheStatusLineProgressAndControls) {
  ScanResultRow old = MakeRow(u"/old", u"1.00K", u"Old");
  Send(UM_SCAN_RESULT, WPARAM(&old));
  dlg_->FindChildByName("scanshow.info")->SetWindowText(u"last run");
  ASSERT_EQ(List()->GetItemCount(), 1);

  Send(UM_SCAN_START);
  EXPECT_EQ(List()->GetItemCount(), 0);
  EXPECT_EQ(Info(), "");
  EXPECT_TRUE(ControlsLocked());
  // btn_close and btn_min stay usable in every state.
  EXPECT_FALSE(dlg_->FindChildByName("btn_close")->IsDisabled());
  EXPECT_FALSE(dlg_->FindChildByName("btn_min")->IsDisabled());

  const std::u16string path = u"/data/报告.doc";
  Send(UM_SCAN_TEXT, WPARAM(path.c_str()));
  EXPECT_EQ(Info(), QString::fromStdU16String(path));
  const char16_t empty[] = u"";
  Send(UM_SCAN_TEXT, WPARAM(empty));
  Send(UM_SCAN_TEXT, 0);
  EXPECT_EQ(Info(), QString::fromStdU16String(path));  // no text: line unchanged

  struct {
    intptr_t sent;
    int shown;
  } progress[] = {{57, 57}, {101, 0}, {100, 100}, {-5, 0}, {1, 1}, {0, 0}};
  for (auto [sent, shown] : progress) {
    Send(UM_SCAN_PROGRESS, WPARAM(sent));
    EXPECT_EQ(Progress(), shown) << sent;
  }

  Send(UM_SCAN_PROGRESS, 80);
  Send(UM_SCAN_FINISH);
  EXPECT_EQ(Progress(), 0);
  EXPECT_TRUE(ControlsFree());
  EXPECT_EQ(Info(), QString::fromStdU16String(path));
}

TEST_F(Controller, ResultRowsAreAppendedInOrderAndANullRowIsIgnored) {
  Send(UM_SCAN_START);
  ScanResultRow first = MakeRow(u"/a/one.doc", u"1.50K", u"Macro.Test.Signature");
  ScanResultRow second = MakeRow(u"/a/two.xls", u"12.06K", u"Other");
  Send(UM_SCAN_RESULT, WPARAM(&first));
  Send(UM_SCAN_RESULT, 0);
  Send(UM_SCAN_RESULT, WPARAM(&second));
  ASSERT_EQ(List()->GetItemCount(), 2);
  const char* expected[2][4] = {{"/a/one.doc", "1.50K", "Macro.Test.Signature", "修复"},
                                {"/a/two.xls", "12.06K", "Other", "修复"}};
  for (int row = 0; row < 2; ++row) {
    for (int column = 0; column < 4; ++column) {
      EXPECT_EQ(ui::QtText(List()->GetSubItemText(row, column)), QString::fromUtf8(expected[row][column])) << row << "," << column;
    }
  }
  Send(UM_SCAN_FINISH);
  EXPECT_EQ(List()->GetItemCount(), 2);  // the rows stay until the next run starts
}

TEST_F(Controller, SearchTimerSweepsTheBarAndWrapsAfterOneHundred) {
  dlg_->Driver().m_nSearchTick = 99;
  const int shown[] = {99, 100, 0, 1};
  for (int expected : shown) {
    Send(ui::WM_TIMER, ID_TIMER_SEARCH);
    EXPECT_EQ(Progress(), expected);
  }
  EXPECT_EQ(dlg_->Driver().m_nSearchTick.load(), 2);
  Send(ui::WM_TIMER, ID_TIMER_SEARCH + 1);  // another timer: no action
  EXPECT_EQ(Progress(), 1);
  EXPECT_EQ(dlg_->Driver().m_nSearchTick.load(), 2);
}

TEST_F(Controller, ShowingPlaysTheCentreAnimationHidingDoesNot) {
  Send(ui::WM_SHOWWINDOW, 0);
  EXPECT_FALSE(dlg_->IsAnimating());
  Send(ui::WM_SHOWWINDOW, 1);
  EXPECT_TRUE(dlg_->IsAnimating());
  EXPECT_TRUE(WaitUntil([&] { return !dlg_->IsAnimating(); }));
  EXPECT_EQ(dlg_->mask(), dlg_->WindowRgn());  // the rounded region is back
}

TEST_F(Controller, MinimiseButtonMinimises) {
  dlg_->show();
  Click("btn_min");
  EXPECT_TRUE(dlg_->isMinimized());
}

TEST_F(Controller, CloseButtonAndWindowCloseBothEndTheLoop) {
  for (bool viaButton : {true, false}) {
    SCOPED_TRACE(viaButton);
    dlg_->show();
    QTimer::singleShot(0, dlg_.get(), [&] {
      if (viaButton) Click("btn_close");
      else dlg_->close();  // the window system's close: WM_CLOSE
    });
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(5000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(dlg_->IsClosing());
    EXPECT_TRUE(dlg_->isVisible());  // the handler only ends the loop; teardown follows it
    TearDown();
    SetUp();
  }
}

TEST_F(Controller, FolderScanFillsTheListAndTheSummary) {
  TempFolder folder;
  folder.Write("a.doc", 1536);
  folder.Write("b.doc", 10);
  folder.Write("sub/c.xls", 12345);
  engine_->SetVerdict("a.doc", u"Macro.Test.Signature");
  engine_->SetVerdict("c.xls", u"Other.Rule");
  dialogs_->folderAnswer = folder.Path().u16string();

  Click("scan_dir");
  ASSERT_TRUE(WaitForRunEnd());
  ASSERT_EQ(dialogs_->folderTitles.size(), 1u);
  EXPECT_EQ(dialogs_->folderTitles[0], u"请选择文件夹");
  EXPECT_EQ(Info(), QString::fromUtf8("共扫描 3 个文件   检测到 2 个异常   修复 2 个异常"));
  ASSERT_EQ(List()->GetItemCount(), 2);
  EXPECT_EQ(List()->GetSubItemText(0, 0), (folder.Path() / "a.doc").u16string());
  EXPECT_EQ(List()->GetSubItemText(0, 1), u"1.50K");
  EXPECT_EQ(List()->GetSubItemText(0, 2), u"Macro.Test.Signature");
  EXPECT_EQ(List()->GetSubItemText(0, 3), u"修复");
  EXPECT_EQ(List()->GetSubItemText(1, 0), (folder.Path() / "sub" / "c.xls").u16string());
  EXPECT_EQ(List()->GetSubItemText(1, 1), u"12.06K");
  EXPECT_TRUE(ControlsFree());
  EXPECT_EQ(Progress(), 0);
  EXPECT_FALSE(dlg_->IsTimerRunning(ID_TIMER_SEARCH));
}

TEST_F(Controller, AllDrivesRunWithoutDrivesEndsWithZeroCounts) {
  Click("scan_all");
  ASSERT_TRUE(WaitForRunEnd());
  EXPECT_EQ(Info(), QString::fromUtf8("共扫描 0 个文件   检测到 0 个异常   修复 0 个异常"));
  EXPECT_EQ(List()->GetItemCount(), 0);
  EXPECT_TRUE(ControlsFree());
  EXPECT_TRUE(engine_->Calls().empty());
}

TEST_F(Controller, CancelledFolderChoiceStartsNothing) {
  Click("scan_dir");
  EXPECT_EQ(dialogs_->folderTitles.size(), 1u);
  EXPECT_FALSE(dlg_->Driver().IsRunning());
  EXPECT_TRUE(ControlsFree());
}

TEST_F(Controller, ASecondStartWhileRunningIsRefused) {
  TempFolder folder;
  folder.Write("one.doc", 1);
  folder.Write("two.doc", 1);
  dialogs_->folderAnswer = folder.Path().u16string();
  engine_->Close();
  Click("scan_dir");
  ASSERT_TRUE(engine_->WaitForCalls(1));
  ASSERT_TRUE(WaitUntil([&] { return ControlsLocked(); }));

  // The buttons are locked; even a direct call of the handlers starts nothing.
  dlg_->OnScanDirectory();
  dlg_->OnScanAllDisk();
  dlg_->OnRestoreQuarantine();
  EXPECT_EQ(dialogs_->folderTitles.size(), 1u);
  EXPECT_TRUE(dialogs_->opens.empty());
  ASSERT_EQ(dlg_->Driver().m_lstTargets.size(), 1u);
  EXPECT_FALSE(dlg_->Driver().m_lstTargets.front().isFile);

  engine_->Open();
  ASSERT_TRUE(WaitForRunEnd());
  EXPECT_EQ(engine_->Calls().size(), 2u);
}

TEST_F(Controller, ClosingDuringARunLetsTheCurrentFileFinishAndTouchesNothingAfterwards) {
  TempFolder folder;
  for (const char* name : {"1.doc", "2.doc", "3.doc"}) folder.Write(name, 100);
  engine_->SetVerdict("1.doc", u"Macro.Test.Signature");
  dialogs_->folderAnswer = folder.Path().u16string();
  engine_->Close();
  Click("scan_dir");
  ASSERT_TRUE(engine_->WaitForCalls(1));

  Click("btn_close");
  EXPECT_TRUE(dlg_->IsClosing());
  EXPECT_TRUE(dlg_->Driver().StopRequested());
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    engine_->Open();
  });
  dlg_.reset();  // waits for the worker: the file in hand finishes, nothing else runs
  release.join();
  EXPECT_EQ(engine_->Calls().size(), 1u);
}

}  // namespace
}  // namespace qv::gui
