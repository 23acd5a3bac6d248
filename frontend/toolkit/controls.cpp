#include "frontend/toolkit/controls.h"

#include <algorithm>

#include "engine/platform/platform.h"
#include "frontend/toolkit/list_ctrl.h"

namespace qv::ui {

std::unique_ptr<SWindow> CreateElement(const std::string& tag, ElementHost* host, SWindow* parent) {
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

SImageButton::SImageButton(ElementHost* host, SWindow* parent) : SWindow(host, parent) { handCursor_ = true; }

int SImageButton::CurrentState() const {
  if (IsDisabled()) return kDisabled;
  if (pressed_) return kPressed;
  return hover_ ? kHover : kNormal;
}

void SImageButton::StateChanged(int previous) {
  if (previous == CurrentState()) return;
  if (animate_ && IsVisible() && view_ && view_->StartFade(kFadeMs)) fadeFrom_ = previous;
  Invalidate();
}

void SImageButton::DrawContent(Painter& painter) {
  if (!skin_) return;
  if (view_ && view_->FadeRunning()) {
    const double progress = view_->FadeProgress();
    painter.DrawSkin(*skin_, box_, fadeFrom_, float(1.0 - progress));
    painter.DrawSkin(*skin_, box_, CurrentState(), float(progress));
  } else {
    painter.DrawSkin(*skin_, box_, CurrentState(), 1.0f);
  }
}

void SImageButton::OnMouseEnter() {
  const int previous = CurrentState();
  hover_ = true;
  StateChanged(previous);
}

void SImageButton::OnMouseLeave() {
  const int previous = CurrentState();
  hover_ = false;
  pressed_ = false;
  StateChanged(previous);
}

void SImageButton::OnMouseDown(int, int) {
  const int previous = CurrentState();
  pressed_ = true;
  StateChanged(previous);
}

void SImageButton::OnMouseUp(int, int, bool inside) {
  const int previous = CurrentState();
  const bool clicked = pressed_ && inside;
  pressed_ = false;
  StateChanged(previous);
  if (clicked) Click();
}

void SImageButton::OnEnableChanged() {
  pressed_ = false;
  StateChanged(IsDisabled() ? kNormal : kDisabled);
}

void SImageButton::Click() {
  if (IsDisabled() || !host_) return;
  host_->FireCommand(this);
}

// ---- SProgress ----

void SProgress::OnAttributes(const AttrReader& attrs) {
  if (ElementResources* resources = ElementResources::Current()) {
    if (const std::string* bk = attrs.Get("skinBkgnd")) skin_ = resources->GetSkin(*bk);
    if (const std::string* bar = attrs.Get("skinPos")) barSkin_ = resources->GetSkin(*bar);
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

void SProgress::DrawContent(Painter& painter) {
  if (skin_) painter.DrawSkin(*skin_, box_, 0, 1.0f);
  const PixelRect inner{box_.x + margin_, box_.y + margin_, box_.width - 2 * margin_, box_.height - 2 * margin_};
  const int width = int(int64_t(inner.width) * (value_ - min_) / (max_ - min_));
  if (barSkin_ && width > 0) painter.DrawSkin(*barSkin_, PixelRect{inner.x, inner.y, width, inner.height}, 0, 1.0f);
}

// ---- SEdit ----

void SEdit::DrawContent(Painter& painter) {
  if (dropHighlight_) {
    painter.DrawDropZone(box_);
  } else if (!view_ || !view_->ShowsOwnText()) {
    DrawText(painter, TextBox(), font_, textColor_);
  }
}

// ---- SLink ----

void SLink::OnAttributes(const AttrReader& attrs) {
  ElementResources* resources = ElementResources::Current();
  href_ = platform::FromUtf8(attrs.Get("href") ? *attrs.Get("href") : std::string());
  hoverFont_ = resources && attrs.Get("fontHover") ? resources->Font(*attrs.Get("fontHover")) : font_;
  hoverColor_ = ColorOr(attrs.Get("colorTextHover"), textColor_);
  maxWidth_ = attrs.IntOr("maxWidth", -1);
  handCursor_ = true;
  if (!href_.empty()) tip_ = href_;
}

void SLink::DrawContent(Painter& painter) {
  PixelRect box = box_;
  if (maxWidth_ > 0 && box.width > maxWidth_) box.width = maxWidth_;
  DrawText(painter, box, hover_ ? hoverFont_ : font_, hover_ ? hoverColor_ : textColor_);
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
  if (!inside || !host_) return;
  if (!href_.empty()) host_->OpenUrl(href_);
  host_->FireCommand(this);
}

}  // namespace qv::ui
