// The toolkit's application object: resource providers, the translator, the global
// definitions (default font, strings, skins, styles) and the message loop. One per process.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "frontend/toolkit/element_backend.h"
#include "frontend/toolkit/markup/ui_defs.h"
#include "frontend/toolkit/qt/res_provider.h"
#include "frontend/toolkit/qt/skin.h"
#include "frontend/toolkit/translator.h"

namespace qv::ui {

class SHostWnd;

class SApplication : public ElementResources {
 public:
  // A QApplication must exist. `hostClassName` names the host windows (their object name).
  explicit SApplication(std::string hostClassName);
  ~SApplication();
  SApplication(const SApplication&) = delete;
  SApplication& operator=(const SApplication&) = delete;

  static SApplication* getSingletonPtr();

  void SetTranslator(STranslatorMgr* translator) { translator_ = translator; }
  STranslatorMgr* GetTranslator() const { return translator_; }
  SResProviderMgr& GetResProviderMgr() { return providers_; }
  void AddResProvider(std::unique_ptr<IResProvider> provider) { providers_.AddResProvider(std::move(provider)); }

  // Loads the global definitions (name "XML_INIT", type "UIDEF") from the providers and
  // builds the skins. False when the definitions are missing or malformed; skins whose
  // image is missing are left out.
  bool Init(std::string_view name, std::string_view type);

  // Runs the message loop until WM_QUIT reaches a host window; answers the loop's result.
  int Run(SHostWnd* mainWindow);

  // ---- what elements ask while they are built (ElementResources) ----
  const SSkin* GetSkin(std::string_view name) const override;
  const MarkupNode* GetStyle(std::string_view className) const override;
  std::u16string LayoutText(std::string_view context, const std::string& raw) const override;
  FontHandle Font(std::string_view fontAttr) override;
  QString ExpandStrings(std::string_view text) const;
  QString Translate(std::string_view context, const QString& text) const;
  // The default font changed by a font attribute ("face:微软雅黑,adding:-3").
  QFont MakeFont(std::string_view fontAttr) const;
  const std::string& HostClassName() const { return hostClassName_; }
  const UiDefs& Defs() const { return defs_; }

 private:
  std::string hostClassName_;
  STranslatorMgr* translator_ = nullptr;
  SResProviderMgr providers_;
  UiDefs defs_;
  std::map<std::string, std::unique_ptr<SSkin>, std::less<>> skins_;
  std::map<std::string, std::unique_ptr<QFont>, std::less<>> fonts_;
};

// The faces the layouts name (宋体, 微软雅黑 …) are rarely installed outside their home
// platform: map them, and the default family, onto an installed CJK face.
void InstallCjkFontFallbacks();


}  // namespace qv::ui
