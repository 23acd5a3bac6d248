#include "frontend/app/quorvane_app.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <memory>

#include "frontend/toolkit/application.h"
#include "frontend/toolkit/markup/markup_tree.h"

namespace qv::gui {
namespace {

inline constexpr char kPackageName[] = "uires.zip";
inline constexpr char kLanguageFile[] = "Translator/lang_cn.xml";

// The language file from the file system (not from the package). False when it is missing
// or not a language file: the texts then show as the layout writes them.
bool InstallLanguage(ui::STranslatorMgr& translator) {
  QFile file(QString::fromLatin1(kLanguageFile));
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  auto tree = ui::ParseMarkup(std::string_view(bytes.constData(), size_t(bytes.size())));
  return tree && translator.InstallTranslator(*tree);
}

}  // namespace

void ReportStartupFailure(const QString& message) {
  std::fprintf(stderr, "Quorvane: %s\n", message.toLocal8Bit().constData());
  const QString platform = QGuiApplication::platformName();
  if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal")) {
    QMessageBox::critical(nullptr, QStringLiteral("Quorvane"), message);
  }
}

int CQuorvaneApp::InitInstance(const AppOptions& options) {
  QApplication::setQuitOnLastWindowClosed(false);  // the loop ends on WM_QUIT only
  // Every location derives from the program folder.
  if (!QDir::setCurrent(QString::fromStdString(options.programDir.string()))) {
    ReportStartupFailure(QStringLiteral("无法进入程序目录 %1").arg(QString::fromStdString(options.programDir.string())));
    return kExitNoProgramFolder;
  }

  auto app = std::make_unique<ui::SApplication>("SOUIHOST");
  auto translator = std::make_unique<ui::STranslatorMgr>();
  app->SetTranslator(translator.get());
  InstallLanguage(*translator);

  auto package = std::make_unique<ui::SResProviderZip>();
  if (!package->Init(kPackageName)) {
    ReportStartupFailure(QStringLiteral("找不到或无法读取界面资源包 %1（应在程序目录 %2 中）")
                             .arg(QString::fromLatin1(kPackageName), QDir::currentPath()));
    return kExitNoPackage;
  }
  app->AddResProvider(std::move(package));
  if (!app->Init("XML_INIT", "UIDEF")) {
    ReportStartupFailure(QStringLiteral("界面资源包 %1 缺少全局定义 XML_INIT").arg(QString::fromLatin1(kPackageName)));
    return kExitNoPackage;
  }

  auto mainDlg = std::make_unique<CMainDlg>(options.deps);
  if (!mainDlg->Create(QApplication::activeWindow(), 0, 0, 0, 0)) {
    ReportStartupFailure(QStringLiteral("界面资源包 %1 缺少主窗口布局 %2")
                             .arg(QString::fromLatin1(kPackageName), QString::fromLatin1(kMainLayout)));
    return kExitNoWindow;
  }
  mainDlg->SendMessage(ui::WM_INITDIALOG, 0, 0);
  mainDlg->CenterWindow();
  mainDlg->ShowWindow(ui::SW_SHOWNORMAL);
  if (options.onShown) options.onShown(*mainDlg);

  app->Run(mainDlg.get());

  // Shutdown, in reverse order of creation.
  mainDlg.reset();
  app.reset();
  translator.reset();
  return 0;
}

}  // namespace qv::gui
