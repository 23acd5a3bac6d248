#include "frontend/toolkit/qt/application.h"

#include <QApplication>
#include <QFontDatabase>
#include <QStringList>

#include "frontend/toolkit/qt/host_wnd.h"

namespace qv::ui {
namespace {

SApplication* g_application = nullptr;

// Installed faces that cover Simplified Chinese, best first.
const char* const kCjkFaces[] = {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Noto Sans SC",
                                 "Source Han Sans SC", "WenQuanYi Zen Hei", "Droid Sans Fallback",
                                 "AR PL UMing CN"};

}  // namespace

void InstallCjkFontFallbacks() {
  QStringList available;
  const QStringList families = QFontDatabase::families();
  for (const char* face : kCjkFaces) {
    if (families.contains(QString::fromUtf8(face))) available << QString::fromUtf8(face);
  }
  if (available.isEmpty()) return;
  for (const char* face : {"宋体", "微软雅黑", "SimSun", "Microsoft YaHei", "新宋体", "黑体"}) {
    QFont::insertSubstitutions(QString::fromUtf8(face), available);
  }
}

SApplication::SApplication(std::string hostClassName) : hostClassName_(std::move(hostClassName)) {
  g_application = this;
  ElementResources::SetCurrent(this);
  QApplication::setQuitOnLastWindowClosed(false);  // the loop ends on WM_QUIT only
  InstallCjkFontFallbacks();
}

SApplication::~SApplication() {
  if (g_application == this) g_application = nullptr;
  if (ElementResources::Current() == this) ElementResources::SetCurrent(nullptr);
}

SApplication* SApplication::getSingletonPtr() { return g_application; }

bool SApplication::Init(std::string_view name, std::string_view type) {
  auto bytes = providers_.GetRawBuffer(type, name);
  if (!bytes) return false;
  auto defs = ParseUiDefs(std::string_view(bytes->constData(), size_t(bytes->size())));
  if (!defs) return false;
  defs_ = std::move(*defs);
  skins_.clear();
  for (const SkinDef& def : defs_.skins) {
    QImage image = providers_.LoadImage(def.src);
    if (image.isNull()) continue;
    skins_[def.name] = std::make_unique<SSkin>(
        def, std::make_unique<QtSkinImage>(image.convertToFormat(QImage::Format_ARGB32_Premultiplied)));
  }
  return true;
}

int SApplication::Run(SHostWnd* mainWindow) {
  if (!mainWindow) return -1;
  return QApplication::exec();
}

const SSkin* SApplication::GetSkin(std::string_view name) const {
  auto it = skins_.find(name);
  return it == skins_.end() ? nullptr : it->second.get();
}

const MarkupNode* SApplication::GetStyle(std::string_view className) const {
  auto it = defs_.styles.find(std::string(className));
  return it == defs_.styles.end() ? nullptr : &it->second;
}

QString SApplication::ExpandStrings(std::string_view text) const {
  return QString::fromStdString(ui::ExpandStrings(text, defs_.strings));
}

QString SApplication::Translate(std::string_view context, const QString& text) const {
  if (!translator_ || text.isEmpty()) return text;
  return QString::fromStdString(translator_->Translate(context, text.toStdString()));
}

std::u16string SApplication::LayoutText(std::string_view context, const std::string& raw) const {
  return Translate(context, ExpandStrings(raw)).toStdU16String();
}

FontHandle SApplication::Font(std::string_view fontAttr) {
  auto it = fonts_.find(fontAttr);
  if (it == fonts_.end()) it = fonts_.emplace(std::string(fontAttr), std::make_unique<QFont>(MakeFont(fontAttr))).first;
  return it->second.get();
}

QFont SApplication::MakeFont(std::string_view fontAttr) const {
  const FontSpec desc = ParseFontSpec(fontAttr);
  QFont font(QString::fromStdString(desc.face.empty() ? defs_.defaultFace : desc.face));
  const int size = (desc.size > 0 ? desc.size : defs_.defaultSize) + desc.adding;
  font.setPixelSize(size > 1 ? size : 1);
  font.setUnderline(desc.underline);
  font.setBold(desc.bold);
  font.setItalic(desc.italic);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

}  // namespace qv::ui
