// What the shared element tree asks of a backend (Qt 6 or Win32): the drawing primitives of
// one paint, the native stand-in of one element, and the host window's and application's
// services. Everything an element knows (its attributes, state, box and children) lives in
// the shared classes (swindow.h, controls.h, list_ctrl.h); a backend only paints, takes
// input and glues elements to its native window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "frontend/toolkit/markup/markup_tree.h"
#include "frontend/toolkit/skin_geometry.h"
#include "frontend/toolkit/win_defs.h"

namespace qv::ui {

class SSkin;
class SWindow;

// A font of the application's cache (a QFont or an HFONT); the application owns it.
using FontHandle = const void*;

inline constexpr int kAlignLeft = 0, kAlignCenter = 1, kAlignRight = 2;

// The drawing of one paint. Coordinates are the host window's.
class Painter {
 public:
  virtual ~Painter() = default;
  // One state of a skin stretched into `box` (an image frame keeps its borders).
  virtual void DrawSkin(const SSkin& skin, const PixelRect& box, int state, float opacity) = 0;
  // One line, vertically centred, cut with an ellipsis at the end when it is too long.
  virtual void DrawText(const std::u16string& text, const PixelRect& box, FontHandle font, uint32_t argb,
                        int align) = 0;
  // The mark of a drop zone: a dashed rounded frame over a light fill.
  virtual void DrawDropZone(const PixelRect& box) = 0;
};

// The backend's part of one element: a native widget, or nothing where the host draws the
// element itself. Told whenever the element's shared state changes what it shows.
class ElementView {
 public:
  virtual ~ElementView() = default;
  virtual void Invalidate() = 0;
  virtual void BoxChanged() = 0;
  virtual void VisibleChanged() = 0;
  virtual void EnabledChanged() = 0;
  virtual void TextChanged() {}
  // A fade from one look to the next over `durationMs`; the view drives the element's fade
  // progress. False when this backend does not animate.
  virtual bool StartFade(int durationMs) { return false; }
  virtual bool FadeRunning() const { return false; }
  virtual double FadeProgress() const { return 1.0; }
  // True when a native control of the view shows the element's text itself.
  virtual bool ShowsOwnText() const { return false; }
  // The rows of a list element changed (rows cleared, one inserted, one cell set).
  virtual void RowsCleared() {}
  virtual void RowInserted(int row) {}
  virtual void CellChanged(int row, int column) {}
  // The native object behind the view (a QWidget*, an HWND), nullptr when there is none.
  virtual void* Native() const { return nullptr; }
};

// The host window's services to its elements.
class ElementHost {
 public:
  virtual SWND RegisterElement(SWindow* element) = 0;
  virtual void UnregisterElement(SWND swnd) = 0;
  // The click of a named element, as an EVT_CMD event.
  virtual void FireCommand(SWindow* sender) = 0;
  // The native stand-in for an element whose attributes have been read.
  virtual std::unique_ptr<ElementView> MakeView(SWindow& element) = 0;
  // The layout's window name: the translator's context of the texts.
  virtual const std::string& ContextName() const = 0;
  virtual void OpenUrl(const std::u16string& url) = 0;

 protected:
  ~ElementHost() = default;
};

// The application's services to elements being built: definitions, texts and fonts.
class ElementResources {
 public:
  virtual const SSkin* GetSkin(std::string_view name) const = 0;
  virtual const MarkupNode* GetStyle(std::string_view className) const = 0;
  // A layout text with its %strings% expanded and translated in `context`.
  virtual std::u16string LayoutText(std::string_view context, const std::string& raw) const = 0;
  // The default font changed by a font attribute ("face:微软雅黑,adding:-3"); cached.
  virtual FontHandle Font(std::string_view fontAttr) = 0;

  // The application's resources (nullptr before an application exists).
  static ElementResources* Current();
  static void SetCurrent(ElementResources* resources);

 protected:
  ~ElementResources() = default;
};

}  // namespace qv::ui
