// The Qt side of the element tree: every element is shown by a QWidget of its own (a child
// of its parent element's widget), which paints the element through a QPainter and hands
// it the mouse. Lists and edit boxes carry a native Qt control inside their widget.
#pragma once

#include <QFont>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QVariantAnimation>
#include <QWidget>
#include <memory>
#include <optional>

#include "frontend/toolkit/element_backend.h"
#include "frontend/toolkit/swindow.h"

namespace qv::ui {

// The widget of one element.
class ElementWidget : public QWidget {
 public:
  ElementWidget(SWindow& element, QWidget* parent);
  SWindow& Element() const { return element_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  SWindow& element_;
  std::optional<QPoint> dragOffset_;  // while the window is dragged by hand
};

class QtElementView : public ElementView {
 public:
  QtElementView(SWindow& element, QWidget* parentWidget);
  ~QtElementView() override;
  void Invalidate() override;
  void BoxChanged() override;
  void VisibleChanged() override;
  void EnabledChanged() override;
  bool StartFade(int durationMs) override;
  bool FadeRunning() const override { return fade_.state() == QAbstractAnimation::Running; }
  double FadeProgress() const override { return fade_.currentValue().toReal(); }
  void* Native() const override { return widget_.data(); }
  ElementWidget* Widget() const { return widget_.data(); }

 protected:
  SWindow& element_;
  QPointer<ElementWidget> widget_;
  QVariantAnimation fade_;
};

// The view the Qt host makes for an element: its kind's view, its widget under its parent's.
std::unique_ptr<ElementView> MakeQtView(SWindow& element, QWidget* hostWidget);

// The widget that shows an element (nullptr before it has a view).
QWidget* WidgetOf(const SWindow& element);
// A font handle of the application's cache as the QFont it is.
const QFont& QtFont(FontHandle font);
QRect QtRect(const PixelRect& box);
QString QtText(const std::u16string& text);

}  // namespace qv::ui
