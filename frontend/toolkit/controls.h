// The element kinds of the layouts beyond the plain window, image and text, the same on
// every backend. Their state and behaviour live here; the backend's view shows them.
#pragma once

#include "frontend/toolkit/swindow.h"

namespace qv::ui {

// The element for a layout tag: window, img, text, caption, imgbtn, progress, edit,
// listctrl, link. nullptr for an unknown tag.
std::unique_ptr<SWindow> CreateElement(const std::string& tag, ElementHost* host, SWindow* parent);

// Pressing it (or an element on it that is not a control of its own) drags the host window.
class SCaption : public SWindow {
 public:
  using SWindow::SWindow;
  bool DragsWindow() const override { return true; }
};

// A button drawn from a four-state image list: normal, hover, pressed, disabled. A click
// raises the command event with the button's name. With `animate` the change from one
// state to the next fades where the backend animates.
class SImageButton : public SWindow {
 public:
  SImageButton(ElementHost* host, SWindow* parent);
  enum State { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };
  static constexpr int kFadeMs = 160;
  int CurrentState() const;
  bool Animates() const { return animate_; }
  // The click as the user would make it; ignored while disabled.
  void Click();
  bool DragsWindow() const override { return false; }
  void OnMouseEnter() override;
  void OnMouseLeave() override;
  void OnMouseDown(int x, int y) override;
  void OnMouseUp(int x, int y, bool inside) override;

 protected:
  void OnAttributes(const AttrReader& attrs) override { animate_ = attrs.IntOr("animate", 0) != 0; }
  int SkinState() const override { return CurrentState(); }
  void OnEnableChanged() override;
  void DrawContent(Painter& painter) override;

 private:
  // Repaints after a change from `previous`, fading from it where that is wanted.
  void StateChanged(int previous);

  bool hover_ = false;
  bool pressed_ = false;
  bool animate_ = false;
  int fadeFrom_ = kNormal;
};

class SProgress : public SWindow {
 public:
  using SWindow::SWindow;
  void SetValue(int value);
  int GetValue() const { return value_; }
  void SetRange(int min, int max);

 protected:
  void OnAttributes(const AttrReader& attrs) override;
  void DrawContent(Painter& painter) override;

 private:
  const SSkin* barSkin_ = nullptr;
  int min_ = 0, max_ = 100, value_ = 0;
  int margin_ = 0;
};

// An edit box on a transparent box: the window's drop box. While a drag its target takes is
// over it, it lights up as a drop zone.
class SEdit : public SWindow {
 public:
  using SWindow::SWindow;
  bool DragsWindow() const override { return false; }
  // Where the text goes inside the box.
  PixelRect TextBox() const { return PixelRect{box_.x + 6, box_.y + 2, box_.width - 12, box_.height - 4}; }

 protected:
  void DrawContent(Painter& painter) override;
};

// A text link: opens its `href` when clicked; underlined (its hover font) under the mouse.
class SLink : public SWindow {
 public:
  using SWindow::SWindow;
  const std::u16string& Href() const { return href_; }
  bool DragsWindow() const override { return false; }
  void OnMouseEnter() override;
  void OnMouseLeave() override;
  void OnMouseUp(int x, int y, bool inside) override;

 protected:
  void OnAttributes(const AttrReader& attrs) override;
  void DrawContent(Painter& painter) override;

 private:
  std::u16string href_;
  FontHandle hoverFont_ = nullptr;
  uint32_t hoverColor_ = 0;
  bool hover_ = false;
  int maxWidth_ = -1;
};

}  // namespace qv::ui
