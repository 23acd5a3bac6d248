#include "frontend/app/quorvane_app.h"

#include <fstream>
#include <iterator>
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
  std::ifstream file(kLanguageFile, std::ios::binary);
  if (!file) return false;
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return false;
  auto tree = ui::ParseMarkup(bytes);
  return tree && translator.InstallTranslator(*tree);
}

std::u16string Utf16(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

}  // namespace

void ReportStartupFailure(const std::u16string& message) { ui::ReportFatalError(u"Quorvane", message); }

int CQuorvaneApp::InitInstance(const AppOptions& options) {
  // Every location derives from the program folder.
  std::error_code error;
  std::filesystem::current_path(options.programDir, error);
  if (error) {
    ReportStartupFailure(u"无法进入程序目录 " + options.programDir.u16string());
    return kExitNoProgramFolder;
  }

  auto app = std::make_unique<ui::SApplication>("SOUIHOST");
  auto translator = std::make_unique<ui::STranslatorMgr>();
  app->SetTranslator(translator.get());
  InstallLanguage(*translator);

  auto package = std::make_unique<ui::SResProviderZip>();
  if (!package->Init(kPackageName)) {
    ReportStartupFailure(u"找不到或无法读取界面资源包 " + Utf16(kPackageName) + u"（应在程序目录 " +
                         std::filesystem::current_path(error).u16string() + u" 中）");
    return kExitNoPackage;
  }
  app->AddResProvider(std::move(package));
  if (!app->Init("XML_INIT", "UIDEF")) {
    ReportStartupFailure(u"界面资源包 " + Utf16(kPackageName) + u" 缺少全局定义 XML_INIT");
    return kExitNoPackage;
  }

  auto mainDlg = std::make_unique<CMainDlg>(options.deps);
  if (!mainDlg->Create(nullptr, 0, 0, 0, 0)) {
    ReportStartupFailure(u"界面资源包 " + Utf16(kPackageName) + u" 缺少主窗口布局 " + Utf16(kMainLayout));
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
