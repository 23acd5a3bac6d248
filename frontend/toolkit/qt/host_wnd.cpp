#include "frontend/toolkit/qt/host_wnd.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include "frontend/toolkit/drop_target.h"
#include "frontend/toolkit/qt/application.h"
#include "frontend/toolkit/qt/element_view.h"

namespace qv::ui {
namespace {

uint32_t EffectsOf(Qt::DropActions actions) {
  uint32_t effect = DROPEFFECT_NONE;
  if (actions & Qt::CopyAction) effect |= DROPEFFECT_COPY;
  if (actions & Qt::MoveAction) effect |= DROPEFFECT_MOVE;
  if (actions & Qt::LinkAction) effect |= DROPEFFECT_LINK;
  return effect;
}

Qt::DropAction ActionOf(uint32_t effect) {
  if (effect & DROPEFFECT_LINK) return Qt::LinkAction;
  if (effect & DROPEFFECT_COPY) return Qt::CopyAction;
  if (effect & DROPEFFECT_MOVE) return Qt::MoveAction;
  return Qt::IgnoreAction;
}

// Accepts a drag event with the effect a target chose (the source's proposal when the
// source does not allow that effect).
void AcceptWithEffect(QDropEvent* event, uint32_t effect) {
  Qt::DropAction action = ActionOf(effect);
  if (action == Qt::IgnoreAction) {
    event->ignore();
    return;
  }
  if (!(event->possibleActions() & action)) action = event->proposedAction();
  event->setDropAction(action);
  event->accept();
}

QIcon LoadIcon(const std::string& iconValue) {
  SApplication* app = SApplication::getSingletonPtr();
  const std::string name = iconValue.substr(0, iconValue.find(':'));
  if (!app || name.empty()) return QIcon();
  auto bytes = app->GetResProviderMgr().GetRawBuffer("ICON", name);
  QPixmap pixmap;
  if (!bytes || !pixmap.loadFromData(*bytes)) return QIcon();
  return QIcon(pixmap);
}

}  // namespace

QRegion RoundRectRegion(const QRect& box, int ellipseWidth, int ellipseHeight) {
  const int ew = std::min(ellipseWidth, box.width());
  const int eh = std::min(ellipseHeight, box.height());
  QRegion region(box.adjusted(ew / 2, 0, -(ew / 2), 0));
  region += QRegion(box.adjusted(0, eh / 2, 0, -(eh / 2)));
  const int right = box.left() + box.width() - ew;
  const int bottom = box.top() + box.height() - eh;
  for (const QPoint& corner : {box.topLeft(), QPoint(right, box.top()), QPoint(box.left(), bottom), QPoint(right, bottom)}) {
    region += QRegion(QRect(corner, QSize(ew, eh)), QRegion::Ellipse);
  }
  return region;
}

QRegion RoundRectRegion(const PixelRect& box, int ellipseWidth, int ellipseHeight) {
  return RoundRectRegion(QtRect(box), ellipseWidth, ellipseHeight);
}

SHostWnd::SHostWnd(std::string layoutResId) : HostCore(std::move(layoutResId)), bridge_(this) {
  showAnimation_.setStartValue(0.0);
  showAnimation_.setEndValue(1.0);
}

SHostWnd::~SHostWnd() {
  bridge_.Close();
  DestroyTree();  // the element widgets go while this widget is whole
}

bool SHostWnd::Create(QWidget* owner, int x, int y, int cx, int cy) {
  SApplication* app = SApplication::getSingletonPtr();
  if (!app || GetRoot()) return false;
  auto bytes = app->GetResProviderMgr().GetRawBuffer(LayoutResId());
  if (!bytes) return false;
  auto doc = ReadLayoutDoc(std::string_view(bytes->constData(), size_t(bytes->size())));
  if (!doc) return false;
  const HostAttrs& attrs = Attrs();

  Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
  if (!attrs.appWindow) flags |= Qt::Tool;
  setParent(owner, flags);
  setObjectName(QString::fromStdString(app->HostClassName()));
  if (attrs.translucent) setAttribute(Qt::WA_TranslucentBackground, true);
  setWindowTitle(app->Translate(attrs.name, app->ExpandStrings(attrs.title)));
  QIcon icon = LoadIcon(attrs.bigIcon);
  if (icon.isNull()) icon = LoadIcon(attrs.smallIcon);
  if (!icon.isNull()) setWindowIcon(icon);

  const int width = cx > 0 ? cx : attrs.width;
  const int height = cy > 0 ? cy : attrs.height;
  if (attrs.resizable) {
    setMinimumSize(attrs.minWidth, attrs.minHeight);
    resize(width, height);
  } else {
    setFixedSize(width, height);
  }
  if (x != 0 || y != 0) move(x, y);

  BuildTree(doc->root, this->width(), this->height());
  return true;
}

// ---- messages ----

LRESULT SHostWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (QThread::currentThread() == thread()) return ProcessWindowMessage(message, wParam, lParam);
  return bridge_.Call([this, message, wParam, lParam] { return ProcessWindowMessage(message, wParam, lParam); });
}

void SHostWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  QMetaObject::invokeMethod(
      this, [this, message, wParam, lParam] { ProcessWindowMessage(message, wParam, lParam); },
      Qt::QueuedConnection);
}

LRESULT SHostWnd::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_QUIT:
      QCoreApplication::exit(int(wParam));
      return 0;
    case WM_CLOSE:
      PostMessage(WM_QUIT);
      return 0;
    case WM_SYSCOMMAND:
      if (wParam == SC_MINIMIZE) showMinimized();
      return 0;
    default:
      return 0;
  }
}

// ---- timers ----

void SHostWnd::SetTimer(UINT id, UINT periodMs) {
  if (QThread::currentThread() == thread()) return SetTimerNow(id, periodMs);
  bridge_.Post([this, id, periodMs] { SetTimerNow(id, periodMs); });
}

void SHostWnd::KillTimer(UINT id) {
  if (QThread::currentThread() == thread()) return KillTimerNow(id);
  bridge_.Post([this, id] { KillTimerNow(id); });
}

void SHostWnd::SetTimerNow(UINT id, UINT periodMs) {
  QTimer*& timer = timers_[id];
  if (!timer) {
    timer = new QTimer(this);
    QObject::connect(timer, &QTimer::timeout, this, [this, id] { ProcessWindowMessage(WM_TIMER, id, 0); });
  }
  timer->start(int(periodMs));
}

void SHostWnd::KillTimerNow(UINT id) {
  auto it = timers_.find(id);
  if (it != timers_.end()) it->second->stop();
}

bool SHostWnd::IsTimerRunning(UINT id) const {
  auto it = timers_.find(id);
  return it != timers_.end() && it->second->isActive();
}

// ---- shape and show ----

void SHostWnd::SetWindowRgn(const QRegion& region, bool redraw) {
  region_ = region;
  if (region_.isEmpty()) clearMask();
  else setMask(region_);
  if (redraw) update();
}

void SHostWnd::AnimateHostWindow(int durationMs, uint32_t flags) {
  if (!(flags & AW_CENTER) || durationMs <= 0) return;
  // Grows the visible part from the centre to the whole window.
  showAnimation_.stop();
  showAnimation_.disconnect();
  showAnimation_.setDuration(durationMs);
  QObject::connect(&showAnimation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
    const qreal f = std::max(0.02, value.toReal());
    const QSize grown(int(width() * f), int(height() * f));
    QRect visible(QPoint(0, 0), grown);
    visible.moveCenter(rect().center());
    setMask(region_.isEmpty() ? QRegion(visible) : region_.intersected(visible));
  });
  QObject::connect(&showAnimation_, &QVariantAnimation::finished, this, [this] { SetWindowRgn(region_, true); });
  showAnimation_.start();
}

bool SHostWnd::IsAnimating() const { return showAnimation_.state() == QAbstractAnimation::Running; }

void SHostWnd::CenterWindow() {
  QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect frame = frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  move(frame.topLeft());
}

void SHostWnd::ShowWindow(int command) {
  if (command == 0) hide();
  else if (command == SW_SHOWNORMAL) showNormal();
  else show();
}

void SHostWnd::closeEvent(QCloseEvent* event) {
  // The window system's close request is a WM_CLOSE like any other: the window decides.
  event->ignore();
  SendMessage(WM_CLOSE);
}

void SHostWnd::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) ProcessWindowMessage(WM_SHOWWINDOW, 1, 0);
}

void SHostWnd::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (!event->spontaneous()) ProcessWindowMessage(WM_SHOWWINDOW, 0, 0);
}

void SHostWnd::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (SWindow* root = GetRoot()) root->Move(PixelRect{0, 0, width(), height()});
}

// ---- elements ----

std::unique_ptr<ElementView> SHostWnd::MakeView(SWindow& element) { return MakeQtView(element, this); }

void SHostWnd::OpenUrl(const std::u16string& url) { QDesktopServices::openUrl(QUrl(QtText(url))); }

// ---- drag and drop ----

void SHostWnd::EnableDropDispatcher() { setAcceptDrops(true); }

void SHostWnd::dragEnterEvent(QDragEnterEvent* event) {
  const QPoint point = event->position().toPoint();
  uint32_t effect = EffectsOf(event->possibleActions());
  // Accepted even away from a target, so that the drag keeps reporting its moves.
  event->accept();
  if (!RouteDragEnter(event->mimeData(), point, point.x(), point.y(), &effect)) {
    event->setDropAction(Qt::IgnoreAction);
    return;
  }
  AcceptWithEffect(event, effect);
  event->accept();
}

void SHostWnd::dragMoveEvent(QDragMoveEvent* event) {
  const QPoint point = event->position().toPoint();
  uint32_t effect = EffectsOf(event->possibleActions());
  if (!RouteDragOver(event->mimeData(), point, point.x(), point.y(), &effect)) {
    event->ignore();
    return;
  }
  AcceptWithEffect(event, effect);
}

void SHostWnd::dragLeaveEvent(QDragLeaveEvent*) { RouteDragLeave(); }

void SHostWnd::dropEvent(QDropEvent* event) {
  const QPoint point = event->position().toPoint();
  uint32_t effect = EffectsOf(event->possibleActions());
  const std::optional<long> result = RouteDrop(event->mimeData(), point, point.x(), point.y(), &effect);
  if (result && *result == S_OK) AcceptWithEffect(event, effect);
  else event->ignore();
}

}  // namespace qv::ui
