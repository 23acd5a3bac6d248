#include "frontend/toolkit/qt/swindow.h"

#include <QPainter>
#include <QResizeEvent>
#include <charconv>

#include "frontend/toolkit/qt/application.h"
#include "frontend/toolkit/qt/controls.h"
#include "frontend/toolkit/qt/host_wnd.h"
#include "frontend/toolkit/qt/skin.h"

namespace qv::ui {

const std::string* AttrReader::Get(std::string_view name) const {
  if (const std::string* own = node_.Attr(name)) return own;
  return style_ ? style_->Attr(name) : nullptr;
}

int AttrReader::IntOr(std::string_view name, int fallback) const {
  const std::string* text = Get(name);
  if (!text) return fallback;
  int value = 0;
  auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
  return (error == std::errc() && end == text->data() + text->size()) ? value : fallback;
}

SWindow::SWindow(SHostWnd* host, QWidget* parent) : QWidget(parent), host_(host) {
  if (host_) swnd_ = host_->RegisterElement(this);
}

SWindow::~SWindow() {
  if (host_) host_->UnregisterElement(swnd_);
}

QString SWindow::LayoutText(const std::string& raw) const {
  SApplication* app = SApplication::getSingletonPtr();
  if (!app) return QString::fromStdString(raw);
  return app->Translate(host_ ? host_->Name() : std::string(), app->ExpandStrings(raw));
}

void SWindow::InitFromXml(const MarkupNode& node) {
  SApplication* app = SApplication::getSingletonPtr();
  const MarkupNode* style = nullptr;
  if (const std::string* cls = node.Attr("class"); cls && app) style = app->GetStyle(*cls);
  const AttrReader attrs(node, style);

  name_ = attrs.Get("name") ? *attrs.Get("name") : std::string();
  setObjectName(QString::fromStdString(name_));
  if (const std::string* pos = attrs.Get("pos")) pos_ = ParsePos(*pos);
  if (const std::string* skin = attrs.Get("skin"); skin && app) skin_ = app->GetSkin(*skin);
  font_ = app ? app->MakeFont(attrs.Get("font") ? *attrs.Get("font") : std::string()) : font();
  textColor_ = ColorOr(attrs.Get("colorText"), textColor_);
  disabledColor_ = ColorOr(attrs.Get("colorTextDisable"), disabledColor_);
  if (const std::string* align = attrs.Get("align")) {
    if (*align == "center") align_ = Qt::AlignHCenter;
    else if (*align == "right") align_ = Qt::AlignRight;
  }
  if (const std::string* cursor = attrs.Get("cursor"); cursor && *cursor == "hand") setCursor(Qt::PointingHandCursor);
  if (const std::string* tip = attrs.Get("tip")) setToolTip(LayoutText(*tip));
  if (!node.text.empty()) text_ = LayoutText(node.text);
  if (const std::string* visible = attrs.Get("visible"); visible && *visible == "0") setVisible(false);
  OnAttributes(attrs);

  for (const MarkupNode& child : node.children) {
    if (IsDataTag(child.tag)) continue;
    SWindow* element = CreateElement(child.tag, host_, this);
    if (!element) continue;  // unknown kind
    element->InitFromXml(child);
  }
  UpdateChildrenPosition();
}

SWindow* SWindow::FindChildByName(std::string_view name, int depth) {
  if (depth == 0) return nullptr;
  for (QObject* object : children()) {
    auto* child = dynamic_cast<SWindow*>(object);
    if (!child) continue;
    if (child->name_ == name) return child;
  }
  for (QObject* object : children()) {
    auto* child = dynamic_cast<SWindow*>(object);
    if (!child) continue;
    if (SWindow* found = child->FindChildByName(name, depth < 0 ? -1 : depth - 1)) return found;
  }
  return nullptr;
}

void SWindow::SetWindowText(const QString& text) {
  text_ = text;
  update();
}

void SWindow::EnableWindow(bool enable, bool update) {
  setEnabled(enable);
  if (update) repaint();
}

void SWindow::SetVisible(bool visible, bool update) {
  setVisible(visible);
  if (update && parentWidget()) parentWidget()->repaint();
}

void SWindow::SetDropHighlight(bool on) {
  if (dropHighlight_ == on) return;
  dropHighlight_ = on;
  update();
}

QRect SWindow::GetWindowRect() const {
  const QWidget* top = window();
  return QRect(mapTo(top, QPoint(0, 0)), size());
}

QSize SWindow::StateSize() const { return skin_ ? skin_->StateSize() : QSize(0, 0); }

void SWindow::UpdateChildrenPosition() {
  LayoutInner();
  for (QObject* object : children()) {
    auto* child = dynamic_cast<SWindow*>(object);
    if (!child) continue;
    if (!child->pos_) {
      child->setGeometry(rect());  // an element without a position fills its parent
    } else {
      const QSize state = child->StateSize();
      const Box box = ComputeBox(*child->pos_, width(), height(), state.width(), state.height());
      child->setGeometry(box.left, box.top, box.Width(), box.Height());
    }
    // A widget that was never shown gets its resize event only when it is shown: lay the
    // whole subtree out now, so that boxes are right before the first show.
    child->UpdateChildrenPosition();
  }
}

void SWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  UpdateChildrenPosition();
}

void SWindow::DrawText(QPainter& painter, const QRect& box, const QFont& font, const QColor& color) {
  if (text_.isEmpty()) return;
  painter.setFont(font);
  painter.setPen(isEnabled() ? color : disabledColor_);
  const int flags = (align_ ? align_ : int(Qt::AlignLeft)) | Qt::AlignVCenter | Qt::TextSingleLine;
  painter.drawText(box, flags, painter.fontMetrics().elidedText(text_, Qt::ElideRight, box.width(), flags));
}

void SWindow::DrawContent(QPainter& painter) {
  if (skin_) skin_->Draw(painter, rect(), SkinState());
  DrawText(painter, rect(), font_, textColor_);
}

void SWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  DrawContent(painter);
}

}  // namespace qv::ui
