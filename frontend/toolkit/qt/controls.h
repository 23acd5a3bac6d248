// The element kinds of the layouts beyond the plain window, image and text.
#pragma once

#include <QLineEdit>
#include <QPoint>
#include <QVariantAnimation>

#include "frontend/toolkit/qt/swindow.h"

namespace qv::ui {

// The element for a layout tag: window, img, text, caption, imgbtn, progress, edit,
// listctrl, link. nullptr for an unknown tag.
SWindow* CreateElement(const std::string& tag, SHostWnd* host, QWidget* parent);

// Dragging it moves the host window.
class SCaption : public SWindow {
 public:
  using SWindow::SWindow;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  std::optional<QPoint> dragOffset_;
};

// A button drawn from a four-state image list: normal, hover, pressed, disabled. A click
// raises the command event with the button's name. With `animate` the change from one
// state to the next fades.
class SImageButton : public SWindow {
 public:
  SImageButton(SHostWnd* host, QWidget* parent);
  enum State { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };
  int CurrentState() const;
  bool Animates() const { return animate_; }
  // The click as the user would make it; ignored while disabled.
  void Click();

 protected:
  void OnAttributes(const AttrReader& attrs) override;
  int SkinState() const override { return CurrentState(); }
  void DrawContent(QPainter& painter) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void StateChanged(int previous);

  bool hover_ = false;
  bool pressed_ = false;
  bool animate_ = false;
  int fadeFrom_ = kNormal;
  QVariantAnimation fade_;
};

class SProgress : public SWindow {
 public:
  using SWindow::SWindow;
  void SetValue(int value);
  int GetValue() const { return value_; }
  void SetRange(int min, int max);

 protected:
  void OnAttributes(const AttrReader& attrs) override;
  void DrawContent(QPainter& painter) override;

 private:
  const SSkin* barSkin_ = nullptr;
  int min_ = 0, max_ = 100, value_ = 0;
  int margin_ = 0;
};

// An edit box: a frameless line edit on a transparent box, so that what lies under it shows
// through. It takes no drops itself; drops reach the host's dispatcher, and while a drag
// its target takes is over it the box lights up as a drop zone.
class SEdit : public SWindow {
 public:
  SEdit(SHostWnd* host, QWidget* parent);
  using SWindow::SetWindowText;
  void SetWindowText(const QString& text) override;
  QLineEdit* LineEdit() const { return edit_; }

 protected:
  void DrawContent(QPainter& painter) override;
  void LayoutInner() override;

 private:
  QLineEdit* edit_;
};

// A text link: opens its `href` when clicked; underlined (its hover font) under the mouse.
class SLink : public SWindow {
 public:
  using SWindow::SWindow;
  const QString& Href() const { return href_; }

 protected:
  void OnAttributes(const AttrReader& attrs) override;
  void DrawContent(QPainter& painter) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QString href_;
  QFont hoverFont_;
  QColor hoverColor_;
  bool hover_ = false;
  int maxWidth_ = -1;
};

}  // namespace qv::ui
