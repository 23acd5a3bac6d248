// A real run of the GUI program under a display, for screenshots: starts the program as
// its own main does, saves a picture of the window after start-up, scans the folder given
// on the command line through the scan_dir button, saves a picture once the run has ended
// and closes the window. Run by tests/gui/screenshots.sh (under Xvfb).
//
//   gui_screenshot_run FOLDER OUTPUT_DIR
// Pictures: startup.png, scanning.png (when the run lasts long enough), scanned.png.
#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "frontend/app/quorvane_app.h"
#include "frontend/toolkit/controls.h"
#include "frontend/toolkit/list_ctrl.h"
#include "frontend/toolkit/qt/element_view.h"

namespace {

// Answers the folder chooser with the folder to scan; the restore dialogs are not used.
class ScriptedDialogs : public qv::gui::FileDialogs {
 public:
  explicit ScriptedDialogs(std::u16string folder) : folder_(std::move(folder)) {}
  std::optional<std::u16string> ChooseFolder(qv::ui::SHostWnd*, const std::u16string&) override { return folder_; }
  std::optional<std::u16string> OpenFile(const qv::gui::FileRequest&) override { return std::nullopt; }
  std::optional<std::u16string> SaveFile(const qv::gui::FileRequest&) override { return std::nullopt; }

 private:
  std::u16string folder_;
};

// What the screen shows where the window is.
bool SaveScreenshot(QWidget& window, const QString& path) {
  QScreen* screen = window.screen();
  const QRect frame = window.frameGeometry();
  QPixmap shot = screen ? screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()) : QPixmap();
  if (shot.isNull()) shot = window.grab();
  const bool saved = shot.save(path);
  std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(path));
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: gui_screenshot_run FOLDER OUTPUT_DIR\n");
    return 2;
  }
  const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
  const QString out = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
  qv::gui::AppOptions options;
  options.programDir = QCoreApplication::applicationDirPath().toStdString();
  options.deps.dialogs = std::make_shared<ScriptedDialogs>(folder.toStdU16String());
  int failures = 0;
  options.onShown = [&](qv::gui::CMainDlg& dlg) {
    QTimer::singleShot(1200, &dlg, [&] {
      if (!SaveScreenshot(dlg, out + "/startup.png")) ++failures;
      dlg.FindChildByName2<qv::ui::SImageButton>("scan_dir")->Click();
      auto* poll = new QTimer(&dlg);
      auto midRunSaved = std::make_shared<bool>(false);
      QObject::connect(poll, &QTimer::timeout, &dlg, [&, poll, midRunSaved] {
        const QString info = qv::ui::QtText(dlg.FindChildByName("scanshow.info")->GetWindowText());
        // One picture while files are being scanned, if the run lasts long enough to see it.
        const int progress = dlg.FindChildByName2<qv::ui::SProgress>("scanshow.prog")->GetValue();
        if (!*midRunSaved && dlg.Driver().IsRunning() && progress >= 30 && progress < 90) {
          *midRunSaved = true;
          if (!SaveScreenshot(dlg, out + "/scanning.png")) ++failures;
        }
        if (dlg.Driver().IsRunning() || !info.startsWith(QString::fromUtf8("共扫描"))) return;
        poll->stop();
        auto* list = dlg.FindChildByName2<qv::ui::SListCtrl>("virusshow");
        for (int row = 0; list && row < list->GetItemCount(); ++row) {
          auto cell = [&](int column) { return qv::ui::QtText(list->GetSubItemText(row, column)); };
          std::printf("row %d: %s | %s | %s | %s\n", row, qPrintable(cell(0)), qPrintable(cell(1)), qPrintable(cell(2)),
                      qPrintable(cell(3)));
        }
        std::printf("status: %s\n", qPrintable(info));
        QTimer::singleShot(400, &dlg, [&] {
          if (!SaveScreenshot(dlg, out + "/scanned.png")) ++failures;
          dlg.SendMessage(qv::ui::WM_CLOSE);
        });
      });
      poll->start(30);
    });
  };
  const int code = qv::gui::CQuorvaneApp().InitInstance(options);
  return code != 0 ? code : (failures ? 1 : 0);
}
