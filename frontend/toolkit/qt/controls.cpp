#include "frontend/toolkit/qt/controls.h"

#include <QDesktopServices>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>
#include <QWindow>

#include "frontend/toolkit/qt/application.h"
#include "frontend/toolkit/qt/host_wnd.h"
#include "frontend/toolkit/qt/list_ctrl.h"
#include "frontend/toolkit/qt/skin.h"

namespace qv::ui {

SWindow* CreateElement(const std::string& tag, SHostWnd* host, QWidget* parent) {
  if (tag == "window" || tag == "img" || tag == "text") return new SWindow(host, parent);
  if (tag == "caption") return new SCaption(host, parent);
  if (tag == "imgbtn") return new SImageButton(host, parent);
  if (tag == "progress") return new SProgress(host, parent);
  if (tag == "edit") return new SEdit(host, parent);
  if (tag == "listctrl") return new SListCtrl(host, parent);
  if (tag == "link") return new SLink(host, parent);
  return nullptr;
}

// ---- SCaption ----

void SCaption::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return SWindow::mousePressEvent(event);
  QWindow* native = window()->windowHandle();
  if (native && native->startSystemMove()) return;
  dragOffset_ = event->globalPosition().toPoint() - window()->pos();
}

void SCaption::mouseMoveEvent(QMouseEvent* event) {
  if (dragOffset_) window()->move(event->globalPosition().toPoint() - *dragOffset_);
}

void SCaption::mouseReleaseEvent(QMouseEvent*) { dragOffset_.reset(); }

// ---- SImageButton ----

SImageButton::SImageButton(SHostWnd* host, QWidget* parent) : SWindow(host, parent) {
  setCursor(Qt::PointingHandCursor);
  fade_.setStartValue(0.0);
  fade_.setEndValue(1.0);
  fade_.setDuration(160);
  QObject::connect(&fade_, &QVariantAnimation::valueChanged, this, [this] { update(); });
}

void SImageButton::OnAttributes(const AttrReader& attrs) { animate_ = attrs.IntOr("animate", 0) != 0; }

int SImageButton::CurrentState() const {
  if (!isEnabled()) return kDisabled;
  if (pressed_) return kPressed;
  return hover_ ? kHover : kNormal;
}

void SImageButton::StateChanged(int previous) {
  if (previous == CurrentState()) return;
  if (animate_ && isVisible()) {
    fadeFrom_ = previous;
    fade_.stop();
    fade_.start();
  }
  update();
}

void SImageButton::DrawContent(QPainter& painter) {
  if (!skin_) return;
  if (fade_.state() == QAbstractAnimation::Running) {
    const qreal progress = fade_.currentValue().toReal();
    skin_->Draw(painter, rect(), fadeFrom_, 1.0 - progress);
    skin_->Draw(painter, rect(), CurrentState(), progress);
  } else {
    skin_->Draw(painter, rect(), CurrentState());
  }
}

void SImageButton::enterEvent(QEnterEvent*) {
  const int previous = CurrentState();
  hover_ = true;
  StateChanged(previous);
}

void SImageButton::leaveEvent(QEvent*) {
  const int previous = CurrentState();
  hover_ = false;
  pressed_ = false;
  StateChanged(previous);
}

void SImageButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int previous = CurrentState();
  pressed_ = true;
  StateChanged(previous);
}

void SImageButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int previous = CurrentState();
  const bool clicked = pressed_ && rect().contains(event->position().toPoint());
  pressed_ = false;
  StateChanged(previous);
  if (clicked) Click();
}

void SImageButton::changeEvent(QEvent* event) {
  SWindow::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) {
    pressed_ = false;
    StateChanged(isEnabled() ? kDisabled : kNormal);
  }
}

void SImageButton::Click() {
  if (!isEnabled() || !host_) return;
  host_->FireCommand(this);
}

// ---- SProgress ----

void SProgress::OnAttributes(const AttrReader& attrs) {
  SApplication* app = SApplication::getSingletonPtr();
  if (app) {
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
  update();
}

void SProgress::DrawContent(QPainter& painter) {
  if (skin_) skin_->Draw(painter, rect(), 0);
  const QRect inner = rect().adjusted(margin_, margin_, -margin_, -margin_);
  const int width = int(qint64(inner.width()) * (value_ - min_) / (max_ - min_));
  if (barSkin_ && width > 0) barSkin_->Draw(painter, QRect(inner.left(), inner.top(), width, inner.height()), 0);
}

// ---- SEdit ----

SEdit::SEdit(SHostWnd* host, QWidget* parent) : SWindow(host, parent), edit_(new QLineEdit(this)) {
  edit_->setFrame(false);
  edit_->setAcceptDrops(false);
  edit_->setStyleSheet("QLineEdit { background: transparent; }");
}

void SEdit::SetWindowText(const QString& text) {
  SWindow::SetWindowText(text);
  edit_->setText(text);
}

void SEdit::LayoutInner() { edit_->setGeometry(rect().adjusted(6, 2, -6, -2)); }

void SEdit::DrawContent(QPainter& painter) {
  if (!dropHighlight_) return;
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setBrush(QColor(0x1e, 0x78, 0xd5, 28));
  painter.setPen(QPen(QColor(0x1e, 0x78, 0xd5), 1.5, Qt::DashLine));
  painter.drawRoundedRect(QRectF(rect()).adjusted(3, 3, -3, -3), 6, 6);
}

// ---- SLink ----

void SLink::OnAttributes(const AttrReader& attrs) {
  SApplication* app = SApplication::getSingletonPtr();
  href_ = QString::fromStdString(attrs.Get("href") ? *attrs.Get("href") : std::string());
  hoverFont_ = app && attrs.Get("fontHover") ? app->MakeFont(*attrs.Get("fontHover")) : font_;
  hoverColor_ = ColorOr(attrs.Get("colorTextHover"), textColor_);
  maxWidth_ = attrs.IntOr("maxWidth", -1);
  setCursor(Qt::PointingHandCursor);
  if (!href_.isEmpty()) setToolTip(href_);
}

void SLink::DrawContent(QPainter& painter) {
  QRect box = rect();
  if (maxWidth_ > 0 && box.width() > maxWidth_) box.setWidth(maxWidth_);
  DrawText(painter, box, hover_ ? hoverFont_ : font_, hover_ ? hoverColor_ : textColor_);
}

void SLink::enterEvent(QEnterEvent*) {
  hover_ = true;
  update();
}

void SLink::leaveEvent(QEvent*) {
  hover_ = false;
  update();
}

void SLink::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) return;
  if (!href_.isEmpty()) QDesktopServices::openUrl(QUrl(href_));
  if (host_) host_->FireCommand(this);
}

}  // namespace qv::ui
