#include "frontend/toolkit/win32/application.h"

#include <vector>

#include "frontend/toolkit/win32/host_wnd.h"
#include "frontend/toolkit/win32/system_headers.h"

namespace qv::ui {
namespace {

SApplication* g_application = nullptr;

// The faces the layouts name and the face each stands for.
bool IsCjkLayoutFace(const std::string& face) {
  return face == "宋体" || face == "微软雅黑" || face == "新宋体" || face == "黑体" || face == "SimSun" ||
         face == "Microsoft YaHei";
}

int CALLBACK CollectFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, ::LPARAM param) {
  auto* faces = reinterpret_cast<std::vector<std::u16string>*>(param);
  if (font->lfFaceName[0] != L'@') faces->push_back(reinterpret_cast<const char16_t*>(font->lfFaceName));
  return 1;
}

// The installed faces that cover Simplified Chinese (GB2312 character set).
std::vector<std::u16string> InstalledCjkFaces() {
  std::vector<std::u16string> faces;
  HDC dc = GetDC(nullptr);
  LOGFONTW wanted{};
  wanted.lfCharSet = GB2312_CHARSET;
  EnumFontFamiliesExW(dc, &wanted, CollectFace, reinterpret_cast<::LPARAM>(&faces), 0);
  ReleaseDC(nullptr, dc);
  return faces;
}

// "Microsoft YaHei", then "SimSun", then the well-known free faces, then whatever CJK face
// the system has.
std::u16string ChooseCjkFace() {
  const std::vector<std::u16string> faces = InstalledCjkFaces();
  for (const char16_t* preferred : {u"Microsoft YaHei", u"微软雅黑", u"SimSun", u"宋体", u"WenQuanYi Micro Hei",
                                    u"Noto Sans CJK SC", u"Source Han Sans SC", u"WenQuanYi Zen Hei"}) {
    for (const std::u16string& face : faces) {
      if (face == preferred) return face;
    }
  }
  return faces.empty() ? std::u16string() : faces.front();
}

}  // namespace

std::u16string Utf16Of(std::string_view utf8) {
  if (utf8.empty()) return std::u16string();
  const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  std::u16string text(size_t(units > 0 ? units : 0), u'\0');
  if (units > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), reinterpret_cast<LPWSTR>(text.data()), units);
  return text;
}

std::string Utf8Of(std::u16string_view utf16) {
  if (utf16.empty()) return std::string();
  const auto* wide = reinterpret_cast<LPCWSTR>(utf16.data());
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, int(utf16.size()), nullptr, 0, nullptr, nullptr);
  std::string text(size_t(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, wide, int(utf16.size()), text.data(), bytes, nullptr, nullptr);
  return text;
}

SApplication::SApplication(std::string hostClassName) : hostClassName_(std::move(hostClassName)) {
  g_application = this;
  ElementResources::SetCurrent(this);
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) gdiplusToken_ = token;
  oleReady_ = SUCCEEDED(OleInitialize(nullptr));
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  cjkFace_ = ChooseCjkFace();
}

SApplication::~SApplication() {
  skins_.clear();  // GDI+ images go before GDI+ does
  for (auto& [face, font] : fonts_) DeleteObject(HFONT(const_cast<void*>(font)));
  fonts_.clear();
  if (gdiplusToken_) Gdiplus::GdiplusShutdown(gdiplusToken_);
  if (oleReady_) OleUninitialize();
  if (g_application == this) g_application = nullptr;
  if (ElementResources::Current() == this) ElementResources::SetCurrent(nullptr);
}

SApplication* SApplication::getSingletonPtr() { return g_application; }

bool SApplication::Init(std::string_view name, std::string_view type) {
  auto bytes = providers_.GetRawBuffer(type, name);
  if (!bytes) return false;
  auto defs = ParseUiDefs(*bytes);
  if (!defs) return false;
  defs_ = std::move(*defs);
  skins_.clear();
  for (const SkinDef& def : defs_.skins) {
    std::unique_ptr<Gdiplus::Bitmap> image = providers_.LoadImage(def.src);
    if (!image) continue;
    skins_[def.name] = std::make_unique<SSkin>(def, std::make_unique<GdiplusSkinImage>(std::move(image)));
  }
  return true;
}

int SApplication::Run(SHostWnd* mainWindow) {
  if (!mainWindow) return -1;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return message.message == WM_QUIT ? int(message.wParam) : 0;
}

const SSkin* SApplication::GetSkin(std::string_view name) const {
  auto it = skins_.find(name);
  return it == skins_.end() ? nullptr : it->second.get();
}

const MarkupNode* SApplication::GetStyle(std::string_view className) const {
  auto it = defs_.styles.find(std::string(className));
  return it == defs_.styles.end() ? nullptr : &it->second;
}

std::string SApplication::ExpandStrings(std::string_view text) const { return ui::ExpandStrings(text, defs_.strings); }

std::string SApplication::Translate(std::string_view context, const std::string& text) const {
  if (!translator_ || text.empty()) return text;
  return translator_->Translate(context, text);
}

std::u16string SApplication::LayoutText(std::string_view context, const std::string& raw) const {
  return Utf16Of(Translate(context, ExpandStrings(raw)));
}

std::u16string SApplication::ResolveFace(const std::string& face) const {
  if ((IsCjkLayoutFace(face) || face.empty()) && !cjkFace_.empty()) return cjkFace_;
  return Utf16Of(face);
}

FontHandle SApplication::MakeFont(std::string_view fontAttr) {
  auto cached = fonts_.find(fontAttr);
  if (cached != fonts_.end()) return cached->second;
  const FontSpec desc = ParseFontSpec(fontAttr);
  const std::u16string face = ResolveFace(desc.face.empty() ? defs_.defaultFace : desc.face);
  const int size = (desc.size > 0 ? desc.size : defs_.defaultSize) + desc.adding;
  LOGFONTW font{};
  font.lfHeight = -(size > 1 ? size : 1);  // the character height in pixels, as the layouts mean it
  font.lfWeight = desc.bold ? FW_BOLD : FW_NORMAL;
  font.lfItalic = desc.italic;
  font.lfUnderline = desc.underline;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = CLEARTYPE_QUALITY;
  for (size_t i = 0; i < face.size() && i < LF_FACESIZE - 1; ++i) font.lfFaceName[i] = wchar_t(face[i]);
  HFONT handle = CreateFontIndirectW(&font);
  fonts_.emplace(std::string(fontAttr), handle);
  return handle;
}

}  // namespace qv::ui
