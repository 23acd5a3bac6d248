// SHostWnd: a native top-level window built from a layout of the resource package. It is
// the container of the element tree, routes clicks of named elements to OnFireEvent,
// delivers window messages (synchronously from any thread, or posted), runs timers, shapes
// and animates itself and dispatches drags to the drop targets registered for its elements.
#pragma once

#include <QPointer>
#include <QRegion>
#include <QVariantAnimation>
#include <QWidget>
#include <map>
#include <memory>
#include <string>

#include "frontend/toolkit/host/host_core.h"
#include "frontend/toolkit/qt/message_bridge.h"
#include "frontend/toolkit/win_defs.h"

class QTimer;

namespace qv::ui {

class SHostWnd : public QWidget, public HostCore {
 public:
  explicit SHostWnd(std::string layoutResId);
  ~SHostWnd() override;

  // Builds the window from its layout. Position and size 0 mean: the layout's size. False
  // when the layout is missing or malformed.
  bool Create(QWidget* owner, int x = 0, int y = 0, int cx = 0, int cy = 0);

  // ---- messages ----
  // On the window's thread: handled at once. From another thread: queued to the window's
  // thread, waiting for the result (0 once the message bridge is closed).
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // Queued for the window's thread from any thread.
  void PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // Ends cross-thread delivery for good: sends from other threads return 0 from now on.
  // The caller must then make sure no thread is inside SendMessage before destroying the
  // window (for example by waiting for its worker).
  void CloseMessageBridge() { bridge_.Close(); }
  // Nothing to do here: closing the bridge already released every waiting send.
  void ReleasePendingSends() {}

  // ---- timers (any thread; ticks arrive as WM_TIMER on the window's thread) ----
  void SetTimer(UINT id, UINT periodMs);
  void KillTimer(UINT id);
  bool IsTimerRunning(UINT id) const;

  // ---- shape and show ----
  void SetWindowRgn(const QRegion& region, bool redraw);
  const QRegion& WindowRgn() const { return region_; }
  void AnimateHostWindow(int durationMs, uint32_t flags);
  bool IsAnimating() const;
  void CenterWindow();
  void ShowWindow(int command);

  // ---- drag and drop ----
  // Lets the window take drags at all (the host's dispatcher); drop targets are registered
  // per element (RegisterDragDrop).
  void EnableDropDispatcher();

  // ---- the elements' views ----
  std::unique_ptr<ElementView> MakeView(SWindow& element) override;
  void OpenUrl(const std::u16string& url) override;

 protected:
  // The window's message procedure. The default handles WM_QUIT (ends the message loop),
  // WM_CLOSE (posts WM_QUIT) and WM_SYSCOMMAND SC_MINIMIZE; everything else answers 0.
  virtual LRESULT ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void SetTimerNow(UINT id, UINT periodMs);
  void KillTimerNow(UINT id);

  MessageBridge bridge_;
  std::map<UINT, QTimer*> timers_;
  QRegion region_;
  QVariantAnimation showAnimation_;
};

// A region with rounded corners over `box`, corner ellipses `ellipseWidth` × `ellipseHeight`.
QRegion RoundRectRegion(const QRect& box, int ellipseWidth, int ellipseHeight);
QRegion RoundRectRegion(const PixelRect& box, int ellipseWidth, int ellipseHeight);

}  // namespace qv::ui
