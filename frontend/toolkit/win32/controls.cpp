#include "frontend/toolkit/win32/controls.h"

#include <algorithm>

#include "frontend/toolkit/win32/application.h"
#include "frontend/toolkit/win32/host_wnd.h"
#include "frontend/toolkit/win32/list_ctrl.h"
#include "frontend/toolkit/win32/skin.h"
#include "frontend/toolkit/win32/system_headers.h"

namespace qv::ui {

std::unique_ptr<SWindow> CreateElement(const std::string& tag, SHostWnd* host, SWindow* parent) {
  if (tag == "window" || tag == "img" || tag == "text") return std::make_unique<SWindow>(host, parent);
  if (tag == "caption") return std::make_unique<SCaption>(host, parent);
  if (tag == "imgbtn") return std::make_unique<SImageButton>(host, parent);
  if (tag == "progress") return std::make_unique<SProgress>(host, parent);
  if (tag == "edit") return std::make_unique<SEdit>(host, parent);
  if (tag == "listctrl") return std::make_unique<SListCtrl>(host, parent);
  if (tag == "link") return std::make_unique<SLink>(host, parent);
  return nullptr;
}

// ---- SImageButton ----

SImageButton::SImageButton(SHostWnd* host, SWindow* parent) : SWindow(host, parent) { handCursor_ = true; }

void SImageButton::OnAttributes(const AttrReader& attrs) { animate_ = attrs.IntOr("animate", 0) != 0; }

int SImageButton::CurrentState() const {
  if (IsDisabled()) return kDisabled;
  if (pressed_) return kPressed;
  return hover_ ? kHover : kNormal;
}

void SImageButton::DrawContent(Canvas& canvas) {
  if (skin_) skin_->Draw(*canvas.graphics, box_, CurrentState());
}

void SImageButton::OnMouseEnter() {
  hover_ = true;
  Invalidate();
}

void SImageButton::OnMouseLeave() {
  hover_ = false;
  pressed_ = false;
  Invalidate();
}

void SImageButton::OnMouseDown(int, int) {
  pressed_ = true;
  Invalidate();
}

void SImageButton::OnMouseUp(int, int, bool inside) {
  const bool clicked = pressed_ && inside;
  pressed_ = false;
  Invalidate();
  if (clicked) Click();
}

void SImageButton::OnEnableChanged() {
  pressed_ = false;
  Invalidate();
}

void SImageButton::Click() {
  if (IsDisabled() || !host_) return;
  host_->FireCommand(this);
}

// ---- SProgress ----

void SProgress::OnAttributes(const AttrReader& attrs) {
  if (SApplication* app = SApplication::getSingletonPtr()) {
    if (const std::string* bk = attrs.Get("skinBkgnd")) skin_ = app->GetSkin(*bk);
    if (const std::string* bar = attrs.Get("skinPos")) barSkin_ = app->GetSkin(*bar);
  }
  margin_ = std::max(0, attrs.IntOr("margin", 0));
  SetRange(attrs.IntOr("min", 0), attrs.IntOr("max", 100));
  SetValue(attrs.IntOr("value", 0));
}

void SProgress::SetRange(int min, int max) {
  if (max <= min) return;
  min_ = min;
  max_ = max;
  SetValue(value_);
}

void SProgress::SetValue(int value) {
  value_ = std::clamp(value, min_, max_);
  Invalidate();
}

void SProgress::DrawContent(Canvas& canvas) {
  if (skin_) skin_->Draw(*canvas.graphics, box_, 0);
  const PixelRect inner{box_.x + margin_, box_.y + margin_, box_.width - 2 * margin_, box_.height - 2 * margin_};
  const int width = int(int64_t(inner.width) * (value_ - min_) / (max_ - min_));
  if (barSkin_ && width > 0) barSkin_->Draw(*canvas.graphics, PixelRect{inner.x, inner.y, width, inner.height}, 0);
}

// ---- SEdit ----

void SEdit::DrawContent(Canvas& canvas) {
  if (!dropHighlight_) {
    DrawText(canvas, PixelRect{box_.x + 6, box_.y + 2, box_.width - 12, box_.height - 4}, font_, textColor_);
    return;
  }
  Gdiplus::Graphics& g = *canvas.graphics;
  const Gdiplus::SmoothingMode mode = g.GetSmoothingMode();
  g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  const Gdiplus::REAL x = Gdiplus::REAL(box_.x) + 3, y = Gdiplus::REAL(box_.y) + 3;
  const Gdiplus::REAL w = Gdiplus::REAL(box_.width) - 6, h = Gdiplus::REAL(box_.height) - 6, r = 6;
  Gdiplus::GraphicsPath path;
  path.AddArc(x, y, 2 * r, 2 * r, 180, 90);
  path.AddArc(x + w - 2 * r, y, 2 * r, 2 * r, 270, 90);
  path.AddArc(x + w - 2 * r, y + h - 2 * r, 2 * r, 2 * r, 0, 90);
  path.AddArc(x, y + h - 2 * r, 2 * r, 2 * r, 90, 90);
  path.CloseFigure();
  Gdiplus::SolidBrush fill(Gdiplus::Color(28, 0x1e, 0x78, 0xd5));
  Gdiplus::Pen pen(Gdiplus::Color(255, 0x1e, 0x78, 0xd5), 1.5f);
  pen.SetDashStyle(Gdiplus::DashStyleDash);
  g.FillPath(&fill, &path);
  g.DrawPath(&pen, &path);
  g.SetSmoothingMode(mode);
}

// ---- SLink ----

void SLink::OnAttributes(const AttrReader& attrs) {
  SApplication* app = SApplication::getSingletonPtr();
  href_ = Utf16Of(attrs.Get("href") ? *attrs.Get("href") : std::string());
  hoverFont_ = app && attrs.Get("fontHover") ? app->MakeFont(*attrs.Get("fontHover")) : font_;
  hoverColor_ = ColorOr(attrs.Get("colorTextHover"), textColor_);
  maxWidth_ = attrs.IntOr("maxWidth", -1);
  handCursor_ = true;
  if (!href_.empty()) tip_ = href_;
}

void SLink::DrawContent(Canvas& canvas) {
  PixelRect box = box_;
  if (maxWidth_ > 0 && box.width > maxWidth_) box.width = maxWidth_;
  DrawText(canvas, box, hover_ ? hoverFont_ : font_, hover_ ? hoverColor_ : textColor_);
}

void SLink::OnMouseEnter() {
  hover_ = true;
  Invalidate();
}

void SLink::OnMouseLeave() {
  hover_ = false;
  Invalidate();
}

void SLink::OnMouseUp(int, int, bool inside) {
  if (!inside) return;
  if (!href_.empty()) {
    ShellExecuteW(nullptr, L"open", reinterpret_cast<LPCWSTR>(href_.c_str()), nullptr, nullptr, SW_SHOWNORMAL);
  }
  if (host_) host_->FireCommand(this);
}

}  // namespace qv::ui
