// The element kinds of the layouts beyond the plain window, image and text.
#pragma once

#include "frontend/toolkit/win32/swindow.h"

namespace qv::ui {

// The element for a layout tag: window, img, text, caption, imgbtn, progress, edit,
// listctrl, link. nullptr for an unknown tag.
std::unique_ptr<SWindow> CreateElement(const std::string& tag, SHostWnd* host, SWindow* parent);

// Pressing it (away from its buttons) drags the host window.
class SCaption : public SWindow {
 public:
  using SWindow::SWindow;
  bool DragsWindow() const override { return true; }
};

// A button drawn from a four-state image list: normal, hover, pressed, disabled. A click
// raises the command event with the button's name.
class SImageButton : public SWindow {
 public:
  SImageButton(SHostWnd* host, SWindow* parent);
  enum State { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };
  int CurrentState() const;
  bool Animates() const { return animate_; }
  // The click as the user would make it; ignored while disabled.
  void Click();
  bool DragsWindow() const override { return false; }
  void OnMouseEnter() override;
  void OnMouseLeave() override;
  void OnMouseDown(int x, int y) override;
  void OnMouseUp(int x, int y, bool inside) override;
  void OnEnableChanged() override;

 protected:
  void OnAttributes(const AttrReader& attrs) override;
  int SkinState() const override { return CurrentState(); }
  void DrawContent(Canvas& canvas) override;

 private:
  bool hover_ = false;
  bool pressed_ = false;
  bool animate_ = false;
};

class SProgress : public SWindow {
 public:
  using SWindow::SWindow;
  void SetValue(int value);
  int GetValue() const { return value_; }
  void SetRange(int min, int max);

 protected:
  void OnAttributes(const AttrReader& attrs) override;
  void DrawContent(Canvas& canvas) override;

 private:
  const SSkin* barSkin_ = nullptr;
  int min_ = 0, max_ = 100, value_ = 0;
  int margin_ = 0;
};

// An edit box on a transparent box: the window's drop box. It shows its text; while a drag
// its target takes is over it, it lights up as a drop zone.
class SEdit : public SWindow {
 public:
  using SWindow::SWindow;
  bool DragsWindow() const override { return false; }

 protected:
  void DrawContent(Canvas& canvas) override;
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
  void DrawContent(Canvas& canvas) override;

 private:
  std::u16string href_;
  FontHandle hoverFont_ = nullptr;
  uint32_t hoverColor_ = 0;
  bool hover_ = false;
  int maxWidth_ = -1;
};

}  // namespace qv::ui
