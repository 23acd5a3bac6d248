#include "frontend/toolkit/win32/swindow.h"

#include <charconv>

#include "frontend/toolkit/win32/application.h"
#include "frontend/toolkit/win32/controls.h"
#include "frontend/toolkit/win32/host_wnd.h"
#include "frontend/toolkit/win32/skin.h"
#include "frontend/toolkit/win32/system_headers.h"

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

uint32_t ColorOr(const std::string* text, uint32_t fallback) {
  if (!text) return fallback;
  auto argb = ParseColor(*text);
  return argb ? *argb : fallback;
}

SWindow::SWindow(SHostWnd* host, SWindow* parent) : host_(host), parent_(parent) {
  if (host_) swnd_ = host_->RegisterElement(this);
}

SWindow::~SWindow() {
  children_.clear();  // the children unregister first
  if (host_) host_->UnregisterElement(swnd_);
}

std::u16string SWindow::LayoutText(const std::string& raw) const {
  SApplication* app = SApplication::getSingletonPtr();
  if (!app) return Utf16Of(raw);
  return Utf16Of(app->Translate(host_ ? host_->Name() : std::string(), app->ExpandStrings(raw)));
}

void SWindow::InitFromXml(const MarkupNode& node) {
  SApplication* app = SApplication::getSingletonPtr();
  const MarkupNode* style = nullptr;
  if (const std::string* cls = node.Attr("class"); cls && app) style = app->GetStyle(*cls);
  const AttrReader attrs(node, style);

  name_ = attrs.Get("name") ? *attrs.Get("name") : std::string();
  if (const std::string* pos = attrs.Get("pos")) pos_ = ParsePos(*pos);
  if (const std::string* skin = attrs.Get("skin"); skin && app) skin_ = app->GetSkin(*skin);
  if (app) font_ = app->MakeFont(attrs.Get("font") ? *attrs.Get("font") : std::string());
  textColor_ = ColorOr(attrs.Get("colorText"), textColor_);
  disabledColor_ = ColorOr(attrs.Get("colorTextDisable"), disabledColor_);
  if (const std::string* align = attrs.Get("align")) {
    if (*align == "center") align_ = 1;
    else if (*align == "right") align_ = 2;
  }
  if (const std::string* cursor = attrs.Get("cursor"); cursor && *cursor == "hand") handCursor_ = true;
  if (const std::string* tip = attrs.Get("tip")) tip_ = LayoutText(*tip);
  if (!node.text.empty()) text_ = LayoutText(node.text);
  if (const std::string* visible = attrs.Get("visible"); visible && *visible == "0") visible_ = false;
  OnAttributes(attrs);

  for (const MarkupNode& child : node.children) {
    if (IsDataTag(child.tag)) continue;
    std::unique_ptr<SWindow> element = CreateElement(child.tag, host_, this);
    if (!element) continue;  // unknown kind
    SWindow* raw = element.get();
    children_.push_back(std::move(element));
    raw->InitFromXml(child);
  }
  UpdateChildrenPosition();
}

SWindow* SWindow::FindChildByName(std::string_view name, int depth) {
  if (depth == 0) return nullptr;
  for (const auto& child : children_) {
    if (child->name_ == name) return child.get();
  }
  for (const auto& child : children_) {
    if (SWindow* found = child->FindChildByName(name, depth < 0 ? -1 : depth - 1)) return found;
  }
  return nullptr;
}

void SWindow::SetWindowText(const std::u16string& text) {
  text_ = text;
  Invalidate();
}

void SWindow::EnableWindow(bool enable, bool update) {
  if (enabled_ == enable) return;
  enabled_ = enable;
  OnEnableChanged();
  Invalidate();
}

void SWindow::SetVisible(bool visible, bool update) {
  if (visible_ == visible) return;
  visible_ = visible;
  OnVisibleChanged();
  for (const auto& child : children_) child->OnVisibleChanged();
  Invalidate();
}

bool SWindow::IsVisible() const { return visible_ && (!parent_ || parent_->IsVisible()); }

bool SWindow::IsDisabled() const { return !enabled_ || (parent_ && parent_->IsDisabled()); }

bool SWindow::DragsWindow() const { return parent_ ? parent_->DragsWindow() : false; }

void SWindow::SetDropHighlight(bool on) {
  if (dropHighlight_ == on) return;
  dropHighlight_ = on;
  Invalidate();
}

void SWindow::Invalidate() {
  if (host_) host_->InvalidateElement(this);
}

StateSize SWindow::GetStateSize() const { return skin_ ? skin_->GetStateSize() : StateSize{}; }

void SWindow::Move(const PixelRect& box) {
  box_ = box;
  UpdateChildrenPosition();
}

void SWindow::UpdateChildrenPosition() {
  LayoutInner();
  for (const auto& child : children_) {
    if (!child->pos_) {
      child->Move(box_);  // an element without a position fills its parent
    } else {
      const StateSize state = child->GetStateSize();
      const Box b = ComputeBox(*child->pos_, box_.width, box_.height, state.width, state.height);
      child->Move(PixelRect{box_.x + b.left, box_.y + b.top, b.Width(), b.Height()});
    }
  }
}

bool SWindow::Contains(int x, int y) const {
  return x >= box_.x && y >= box_.y && x < box_.x + box_.width && y < box_.y + box_.height;
}

SWindow* SWindow::HitTest(int x, int y) {
  if (!visible_ || !Contains(x, y)) return nullptr;
  for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
    if (SWindow* hit = (*it)->HitTest(x, y)) return hit;
  }
  return this;
}

void SWindow::Paint(Canvas& canvas) {
  if (!visible_ || box_.IsEmpty()) return;
  const PixelRect& c = canvas.clip;
  if (box_.x >= c.x + c.width || c.x >= box_.x + box_.width || box_.y >= c.y + c.height || c.y >= box_.y + box_.height) {
    return;  // children lie inside their parent
  }
  DrawContent(canvas);
  for (const auto& child : children_) child->Paint(canvas);
}

void SWindow::DrawContent(Canvas& canvas) {
  if (skin_) skin_->Draw(*canvas.graphics, box_, SkinState());
  DrawText(canvas, box_, font_, textColor_);
}

void SWindow::DrawText(Canvas& canvas, const PixelRect& box, FontHandle font, uint32_t color) {
  if (text_.empty() || box.IsEmpty()) return;
  const uint32_t argb = IsDisabled() ? disabledColor_ : color;
  HDC dc = canvas.graphics->GetHDC();
  const int saved = SaveDC(dc);
  if (font) SelectObject(dc, static_cast<HFONT>(font));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF));
  RECT rect{box.x, box.y, box.x + box.width, box.y + box.height};
  UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
  if (align_ == 1) format |= DT_CENTER;
  else if (align_ == 2) format |= DT_RIGHT;
  DrawTextW(dc, reinterpret_cast<LPCWSTR>(text_.c_str()), int(text_.size()), &rect, format);
  RestoreDC(dc, saved);
  canvas.graphics->ReleaseHDC(dc);
}

}  // namespace qv::ui
