// SHostWnd: a native top-level window (HWND) built from a layout of the resource package. It
// is the container of the element tree: it paints the elements double-buffered, routes the
// mouse to them and clicks of named elements to OnFireEvent, delivers window messages
// (synchronously from any thread through the system's SendMessage), runs timers (SetTimer),
// shapes itself with a region and dispatches OLE drops to the drop targets registered for
// its elements.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include "frontend/toolkit/host/host_core.h"
#include "frontend/toolkit/win_defs.h"

namespace qv::ui {

class OleDropTarget;

// A region: rounded rectangle (what CreateRoundRectRgn makes) or none.
struct RoundRegion {
  PixelRect box;
  int ellipseWidth = 0, ellipseHeight = 0;
  bool IsEmpty() const { return box.IsEmpty(); }
};

class SHostWnd : public HostCore {
 public:
  explicit SHostWnd(std::string layoutResId);
  virtual ~SHostWnd();

  // Builds the window from its layout. Position and size 0 mean: the layout's size. False
  // when the layout is missing or malformed or the window cannot be made.
  bool Create(void* owner, int x = 0, int y = 0, int cx = 0, int cy = 0);
  void* Hwnd() const { return hwnd_; }

  // ---- messages ----
  // On the window's thread: handled at once. From another thread: the system's SendMessage
  // (the window's thread handles it, the caller waits); 0 once the bridge is closed.
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  void PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // Ends cross-thread delivery for good: sends from other threads return 0 from now on, and
  // a send already waiting is answered 0 without being handled.
  void CloseMessageBridge() { bridgeClosed_.store(true); }
  // Handles the sends other threads are waiting on (answered 0 once the bridge is closed),
  // so that a thread blocked in SendMessage can go on while this thread waits for it.
  void ReleasePendingSends();

  // ---- timers (any thread; ticks arrive as WM_TIMER on the window's thread) ----
  void SetTimer(UINT id, UINT periodMs);
  void KillTimer(UINT id);
  bool IsTimerRunning(UINT id) const;

  // ---- shape and show ----
  void SetWindowRgn(const RoundRegion& region, bool redraw);
  const RoundRegion& WindowRgn() const { return region_; }
  void AnimateHostWindow(int durationMs, uint32_t flags);
  bool IsAnimating() const { return false; }
  void CenterWindow();
  void ShowWindow(int command);
  bool IsWindowVisible() const;

  // ---- drag and drop ----
  // Registers the window with OLE as a drop target (RegisterDragDrop).
  void EnableDropDispatcher();
  // The drag dispatch the OLE target uses (also driven directly by tests): effects in/out.
  bool DispatchDragEnter(const DragData& data, DragPoint point, uint32_t* effect);
  bool DispatchDragOver(const DragData& data, DragPoint point, uint32_t* effect);
  void DispatchDragLeave();
  bool DispatchDrop(const DragData& data, DragPoint point, uint32_t* effect);

  // ---- the elements' views ----
  std::unique_ptr<ElementView> MakeView(SWindow& element) override;
  void OpenUrl(const std::u16string& url) override;
  void InvalidateElement(const SWindow* element);
  // Paints the whole window into a 32-bit top-down pixel buffer of its size (0xAARRGGBB);
  // what WM_PAINT shows, without the native child controls.
  bool RenderTo(std::vector<uint32_t>& pixels, int& width, int& height);

  // The window procedure's entry (public for the window class).
  intptr_t HandleNativeMessage(unsigned message, uintptr_t wParam, intptr_t lParam);

 protected:
  virtual LRESULT ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void Paint();
  void PaintTo(void* dc, const PixelRect& clip);
  void OnMouseMove(int x, int y);
  void OnMouseLeaveWindow();
  void OnLeftDown(int x, int y);
  void OnLeftUp(int x, int y);
  void SetHover(SWindow* element);
  void UpdateToolTip(SWindow* element);

  void* hwnd_ = nullptr;
  void* tooltip_ = nullptr;
  std::thread::id thread_;
  std::atomic<bool> bridgeClosed_{false};
  std::set<UINT> timers_;
  RoundRegion region_;
  SWND hover_ = 0;
  SWND pressed_ = 0;
  bool trackingLeave_ = false;
  OleDropTarget* oleTarget_ = nullptr;
};

// The rounded region over `box` with corner ellipses `ellipseWidth` × `ellipseHeight`.
RoundRegion RoundRectRegion(const PixelRect& box, int ellipseWidth, int ellipseHeight);
// Whether the pixel `x`,`y` lies inside the region the system makes for it
// (CreateRoundRectRgn + PtInRegion).
bool RegionContains(const RoundRegion& region, int x, int y);

}  // namespace qv::ui
