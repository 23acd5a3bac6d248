#include "frontend/toolkit/qt/element_view.h"

#include <QEnterEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QTreeWidget>
#include <QWindow>
#include <algorithm>

#include "frontend/toolkit/controls.h"
#include "frontend/toolkit/list_ctrl.h"
#include "frontend/toolkit/qt/skin.h"

namespace qv::ui {
namespace {

Qt::Alignment HorizontalAlignment(int align) {
  return align == kAlignCenter ? Qt::AlignHCenter : align == kAlignRight ? Qt::AlignRight : Qt::AlignLeft;
}

// Draws for one element's widget: host coordinates become the widget's own.
class QtPainter : public Painter {
 public:
  QtPainter(QPainter& painter, const PixelRect& origin) : painter_(painter), dx_(origin.x), dy_(origin.y) {}
  void DrawSkin(const SSkin& skin, const PixelRect& box, int state, float opacity) override {
    ui::DrawSkin(painter_, skin, Local(box), state, opacity);
  }
  void DrawText(const std::u16string& text, const PixelRect& box, FontHandle font, uint32_t argb,
                int align) override {
    painter_.setFont(QtFont(font));
    painter_.setPen(QColor::fromRgba(argb));
    const int flags = int(HorizontalAlignment(align)) | Qt::AlignVCenter | Qt::TextSingleLine;
    painter_.drawText(Local(box), flags,
                      painter_.fontMetrics().elidedText(QtText(text), Qt::ElideRight, box.width, flags));
  }
  void DrawDropZone(const PixelRect& box) override {
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.setBrush(QColor(0x1e, 0x78, 0xd5, 28));
    painter_.setPen(QPen(QColor(0x1e, 0x78, 0xd5), 1.5, Qt::DashLine));
    painter_.drawRoundedRect(QRectF(Local(box)).adjusted(3, 3, -3, -3), 6, 6);
  }

 private:
  QRect Local(const PixelRect& box) const { return QRect(box.x - dx_, box.y - dy_, box.width, box.height); }
  QPainter& painter_;
  int dx_, dy_;
};

// An edit box: a frameless line edit on the transparent widget, so that what lies under it
// shows through. It takes no drops itself; they go to the host's dispatcher.
class QtEditView : public QtElementView {
 public:
  QtEditView(SEdit& element, QWidget* parentWidget) : QtElementView(element, parentWidget) {
    edit_ = new QLineEdit(widget_);
    edit_->setFrame(false);
    edit_->setAcceptDrops(false);
    edit_->setStyleSheet("QLineEdit { background: transparent; }");
    edit_->setText(QtText(element.GetWindowText()));
  }
  void BoxChanged() override {
    QtElementView::BoxChanged();
    if (edit_) edit_->setGeometry(widget_->rect().adjusted(6, 2, -6, -2));
  }
  void TextChanged() override {
    if (edit_) edit_->setText(QtText(element_.GetWindowText()));
  }
  bool ShowsOwnText() const override { return true; }

 private:
  QPointer<QLineEdit> edit_;
};

// A list: a tree widget without branches, one top-level item per row.
class QtListView : public QtElementView {
 public:
  QtListView(SListCtrl& list, QWidget* parentWidget) : QtElementView(list, parentWidget), list_(list) {
    tree_ = new QTreeWidget(widget_);
    tree_->setRootIsDecorated(false);
    tree_->setIndentation(0);
    tree_->setUniformRowHeights(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setFrameShape(QFrame::NoFrame);
    tree_->setTextElideMode(Qt::ElideMiddle);
    tree_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    tree_->header()->setStretchLastSection(false);
    tree_->header()->setSectionsMovable(true);
    tree_->header()->setDefaultAlignment(Qt::AlignCenter);

    tree_->setFont(QtFont(list.GetFont()));
    tree_->setMouseTracking(list.HotTracks());
    tree_->setStyleSheet(QString("QTreeView { background: #ffffff; color: #303030; outline: 0; }"
                                 "QTreeView::item { height: %1px; border: none; padding-left: 4px; }"
                                 "QTreeView::item:hover { background: %2; }"
                                 "QTreeView::item:selected { background: #cfe2f8; color: #1a1a1a; }"
                                 "QScrollBar:vertical { width: %3px; }"
                                 "QScrollBar:horizontal { height: %3px; }")
                             .arg(list.GetRowHeight())
                             .arg(list.HotTracks() ? "#eaf3fd" : "transparent")
                             .arg(list.ScrollBarWidth()));
    if (!list.ScrollsHorizontally()) tree_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QStringList titles;
    for (const SListCtrl::Column& column : list.Columns()) titles << QtText(column.title);
    tree_->setColumnCount(int(titles.size()));
    tree_->setHeaderLabels(titles);
    for (int i = 0; i < list.GetColumnCount(); ++i) tree_->setColumnWidth(i, list.Columns()[size_t(i)].width);
    tree_->setHeaderHidden(!list.IsHeaderVisible());
    if (list.IsSortable()) tree_->header()->setSectionsClickable(true);
    for (int row = 0; row < list.GetItemCount(); ++row) RowInserted(row);
  }
  void BoxChanged() override {
    QtElementView::BoxChanged();
    if (tree_) tree_->setGeometry(widget_->rect());
  }
  void RowsCleared() override {
    if (tree_) tree_->clear();
  }
  void RowInserted(int row) override {
    if (!tree_) return;
    auto* item = new QTreeWidgetItem();
    for (int column = 0; column < list_.GetColumnCount(); ++column) {
      item->setText(column, QtText(list_.GetSubItemText(row, column)));
      item->setTextAlignment(column, Qt::AlignVCenter | HorizontalAlignment(list_.Columns()[size_t(column)].align));
    }
    if (list_.GetColumnCount() == 0) item->setText(0, QtText(list_.GetSubItemText(row, 0)));
    item->setToolTip(0, item->text(0));
    tree_->insertTopLevelItem(row, item);
  }
  void CellChanged(int row, int column) override {
    if (QTreeWidgetItem* item = tree_ ? tree_->topLevelItem(row) : nullptr) {
      item->setText(column, QtText(list_.GetSubItemText(row, column)));
    }
  }
  void* Native() const override { return tree_.data(); }

 private:
  SListCtrl& list_;
  QPointer<QTreeWidget> tree_;
};

}  // namespace

const QFont& QtFont(FontHandle font) {
  static const QFont fallback;
  return font ? *static_cast<const QFont*>(font) : fallback;
}

QRect QtRect(const PixelRect& box) { return QRect(box.x, box.y, box.width, box.height); }

QString QtText(const std::u16string& text) { return QString::fromStdU16String(text); }

QWidget* WidgetOf(const SWindow& element) {
  return element.View() ? static_cast<QWidget*>(static_cast<QtElementView*>(element.View())->Widget()) : nullptr;
}

std::unique_ptr<ElementView> MakeQtView(SWindow& element, QWidget* hostWidget) {
  QWidget* parent = element.GetParent() ? WidgetOf(*element.GetParent()) : hostWidget;
  if (!parent) parent = hostWidget;
  if (auto* list = dynamic_cast<SListCtrl*>(&element)) return std::make_unique<QtListView>(*list, parent);
  if (auto* edit = dynamic_cast<SEdit*>(&element)) return std::make_unique<QtEditView>(*edit, parent);
  return std::make_unique<QtElementView>(element, parent);
}

// ---- ElementWidget ----

ElementWidget::ElementWidget(SWindow& element, QWidget* parent) : QWidget(parent), element_(element) {
  setObjectName(QString::fromStdString(element.GetName()));
  if (element.WantsHandCursor()) setCursor(Qt::PointingHandCursor);
  if (!element.GetToolTip().empty()) setToolTip(QtText(element.GetToolTip()));
}

void ElementWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  QtPainter drawing(painter, element_.GetWindowRect());
  element_.PaintContent(drawing);
}

void ElementWidget::enterEvent(QEnterEvent*) { element_.OnMouseEnter(); }

void ElementWidget::leaveEvent(QEvent*) { element_.OnMouseLeave(); }

void ElementWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  if (element_.DragsWindow()) {
    QWindow* native = window()->windowHandle();
    if (native && native->startSystemMove()) return;
    dragOffset_ = event->globalPosition().toPoint() - window()->pos();
    return;
  }
  const QPoint at = event->position().toPoint();
  element_.OnMouseDown(element_.GetWindowRect().x + at.x(), element_.GetWindowRect().y + at.y());
}

void ElementWidget::mouseMoveEvent(QMouseEvent* event) {
  if (dragOffset_) window()->move(event->globalPosition().toPoint() - *dragOffset_);
}

void ElementWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (dragOffset_) {
    dragOffset_.reset();
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  const QPoint at = event->position().toPoint();
  element_.OnMouseUp(element_.GetWindowRect().x + at.x(), element_.GetWindowRect().y + at.y(), rect().contains(at));
}

// ---- QtElementView ----

QtElementView::QtElementView(SWindow& element, QWidget* parentWidget)
    : element_(element), widget_(new ElementWidget(element, parentWidget)) {
  if (!element.IsShownByItself()) widget_->setVisible(false);
  fade_.setStartValue(0.0);
  fade_.setEndValue(1.0);
  QObject::connect(&fade_, &QVariantAnimation::valueChanged, widget_.data(), [this] { Invalidate(); });
}

QtElementView::~QtElementView() {
  fade_.stop();
  delete widget_.data();
}

void QtElementView::Invalidate() {
  if (widget_) widget_->update();
}

void QtElementView::BoxChanged() {
  if (!widget_) return;
  PixelRect box = element_.GetWindowRect();
  if (const SWindow* parent = element_.GetParent()) {
    box.x -= parent->GetWindowRect().x;
    box.y -= parent->GetWindowRect().y;
  }
  widget_->setGeometry(QtRect(box));
}

void QtElementView::VisibleChanged() {
  if (widget_) widget_->setVisible(element_.IsShownByItself());
}

void QtElementView::EnabledChanged() {
  if (widget_) widget_->setEnabled(element_.IsEnabledByItself());
}

bool QtElementView::StartFade(int durationMs) {
  if (!widget_ || !widget_->isVisible()) return false;
  fade_.stop();
  fade_.setDuration(durationMs);
  fade_.start();
  return true;
}

}  // namespace qv::ui
