// The toolkit's application object on Win32: GDI+, OLE and the common controls brought up,
// resource providers, the translator, the global definitions (default font, strings, skins,
// styles) and the message loop. One per process.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "frontend/toolkit/element_backend.h"
#include "frontend/toolkit/markup/ui_defs.h"
#include "frontend/toolkit/translator.h"
#include "frontend/toolkit/win32/res_provider.h"
#include "frontend/toolkit/win32/skin.h"

namespace qv::ui {

class SHostWnd;

class SApplication : public ElementResources {
 public:
  // `hostClassName` is the window class of the host windows.
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

  // Runs the message loop until WM_QUIT; answers the loop's result.
  int Run(SHostWnd* mainWindow);

  // ---- what elements ask while they are built (ElementResources) ----
  const SSkin* GetSkin(std::string_view name) const override;
  const MarkupNode* GetStyle(std::string_view className) const override;
  std::u16string LayoutText(std::string_view context, const std::string& raw) const override;
  FontHandle Font(std::string_view fontAttr) override { return MakeFont(fontAttr); }
  std::string ExpandStrings(std::string_view text) const;  // UTF-8
  std::string Translate(std::string_view context, const std::string& text) const;
  // The default font changed by a font attribute ("face:微软雅黑,adding:-3"); cached, owned
  // by the application.
  FontHandle MakeFont(std::string_view fontAttr);
  // The installed face a layout face is drawn with (CJK faces fall back to an installed one).
  std::u16string ResolveFace(const std::string& face) const;
  const std::string& HostClassName() const { return hostClassName_; }
  const UiDefs& Defs() const { return defs_; }

 private:
  std::string hostClassName_;
  STranslatorMgr* translator_ = nullptr;
  SResProviderMgr providers_;
  UiDefs defs_;
  std::map<std::string, std::unique_ptr<SSkin>, std::less<>> skins_;
  std::map<std::string, FontHandle, std::less<>> fonts_;
  std::u16string cjkFace_;  // the CJK face this system has, best first
  uintptr_t gdiplusToken_ = 0;
  bool oleReady_ = false;
};

// UTF-8 to UTF-16 and back (the layouts are UTF-8).
std::u16string Utf16Of(std::string_view utf8);
std::string Utf8Of(std::u16string_view utf16);

}  // namespace qv::ui
