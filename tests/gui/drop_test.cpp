// Drops on the window: only local files and folders dropped on the drop box start a run,
// on exactly those paths; anything else, anywhere else or during a run does nothing.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QImage>
#include <QMimeData>
#include <QUrl>

#include "frontend/app/drop_target.h"
#include "frontend/toolkit/qt/element_view.h"
#include "tests/gui/gui_fixture.h"

namespace qv::gui {
namespace {

using qv::test::MainWindowTest;
using qv::test::TempFolder;
using qv::test::WaitUntil;

QMimeData* FileList(const std::vector<std::filesystem::path>& paths) {
  auto* data = new QMimeData;
  QList<QUrl> urls;
  for (const auto& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path.string()));
  data->setUrls(urls);
  return data;
}

class Drops : public MainWindowTest {
 protected:
  QPoint DropBoxCentre() { return ui::QtRect(dlg_->FindChildByName("edit_drop_top")->GetWindowRect()).center(); }
  QPoint ListCentre() { return ui::QtRect(dlg_->FindChildByName("virusshow")->GetWindowRect()).center(); }

  // Drags `data` onto the window at `point` and releases it there, as a file manager does;
  // answers whether the window took the drop.
  bool DropAt(QPoint point, QMimeData* data) {
    std::unique_ptr<QMimeData> owned(data);
    const Qt::DropActions offered = Qt::CopyAction | Qt::LinkAction;
    QDragEnterEvent enter(point, offered, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dlg_.get(), &enter);
    QDropEvent drop(point, offered, data, Qt::LeftButton, Qt::NoModifier);
    drop.setAccepted(false);
    QCoreApplication::sendEvent(dlg_.get(), &drop);
    taken_action_ = drop.dropAction();
    return drop.isAccepted();
  }
  Qt::DropAction taken_action_ = Qt::IgnoreAction;
};

TEST_F(Drops, DroppedFilesAndFoldersAreScannedExactlyOnce) {
  TempFolder folder;
  const auto a = folder.Write("a.doc", 1);
  const auto b = folder.Write("b.doc", 1);
  const auto inner = folder.Write("sub/inner.doc", 1);
  const auto sub = folder.Path() / "sub";
  // b first, a twice, the folder and a file inside it spelled the same way.
  ASSERT_TRUE(DropAt(DropBoxCentre(), FileList({b, a, a, sub, inner})));
  EXPECT_EQ(taken_action_, Qt::LinkAction);
  ASSERT_TRUE(WaitForRunEnd());

  const std::set<std::u16string> dropped{a.u16string(), b.u16string(), sub.u16string(), inner.u16string()};
  EXPECT_EQ(dlg_->DroppedPaths(), dropped);
  const std::vector<std::u16string> scanned{a.u16string(), b.u16string(), inner.u16string()};
  EXPECT_EQ(engine_->Calls(), scanned);  // ascending order, each path once
  EXPECT_TRUE(ControlsFree());
}

TEST_F(Drops, DataWithoutLocalFilesStartsNothing) {
  struct Case {
    const char* what;
    std::function<QMimeData*()> make;
  } cases[] = {
      {"text", [] { auto* d = new QMimeData; d->setText("/etc/passwd"); return d; }},
      {"empty file list", [] { return FileList({}); }},
      {"web link", [] { auto* d = new QMimeData; d->setUrls({QUrl("https://example.org/a.doc")}); return d; }},
      {"image", [] { auto* d = new QMimeData; d->setImageData(QImage(4, 4, QImage::Format_RGB32)); return d; }},
  };
  dlg_->DroppedPaths() = {u"/kept"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(DropAt(DropBoxCentre(), c.make()));
    EXPECT_FALSE(dlg_->Driver().IsRunning());
  }
  EXPECT_EQ(dlg_->DroppedPaths(), std::set<std::u16string>{u"/kept"});
  EXPECT_TRUE(engine_->Calls().empty());
}

TEST_F(Drops, OnlyTheDropBoxTakesDrops) {
  TempFolder folder;
  const auto a = folder.Write("a.doc", 1);
  EXPECT_FALSE(DropAt(ListCentre(), FileList({a})));
  EXPECT_FALSE(DropAt(QPoint(400, 20), FileList({a})));  // the banner
  EXPECT_FALSE(dlg_->Driver().IsRunning());
  EXPECT_TRUE(engine_->Calls().empty());
}

TEST_F(Drops, DraggingOverTheDropBoxShowsTheLinkCursorForAnyData) {
  QMimeData text;
  text.setText("plain text");
  QDragEnterEvent enter(DropBoxCentre(), Qt::CopyAction | Qt::LinkAction, &text, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(dlg_.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_EQ(enter.dropAction(), Qt::LinkAction);
  ui::SWindow* dropBox = dlg_->FindChildByName("edit_drop_top");
  EXPECT_TRUE(dropBox->HasDropHighlight());

  QDragMoveEvent overList(ListCentre(), Qt::CopyAction | Qt::LinkAction, &text, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(dlg_.get(), &overList);
  EXPECT_FALSE(overList.isAccepted());
  EXPECT_FALSE(dropBox->HasDropHighlight());

  QDragMoveEvent back(DropBoxCentre(), Qt::CopyAction | Qt::LinkAction, &text, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(dlg_.get(), &back);
  EXPECT_TRUE(back.isAccepted());
  EXPECT_EQ(back.dropAction(), Qt::LinkAction);
  QDragLeaveEvent leave;
  QCoreApplication::sendEvent(dlg_.get(), &leave);
  EXPECT_FALSE(dropBox->HasDropHighlight());
}

TEST_F(Drops, NoDropIsTakenWhileARunRuns) {
  TempFolder folder;
  const auto first = folder.Write("first.doc", 1);
  const auto second = folder.Write("second.doc", 1);
  engine_->Close();
  ASSERT_TRUE(DropAt(DropBoxCentre(), FileList({first})));
  ASSERT_TRUE(engine_->WaitForCalls(1));
  ASSERT_TRUE(WaitUntil([&] { return ControlsLocked(); }));

  EXPECT_FALSE(DropAt(DropBoxCentre(), FileList({second})));  // the drop box is hidden
  engine_->Open();
  ASSERT_TRUE(WaitForRunEnd());
  EXPECT_EQ(engine_->Calls(), std::vector<std::u16string>{first.u16string()});
}

}  // namespace
}  // namespace qv::gui
