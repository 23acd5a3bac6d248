// SWindow: one element of a layout tree, drawn by its host window (elements are not native
// windows). It knows its layout name, its position rule, its skin, text and font; it lays
// out its children by their position rules whenever its own box changes, and draws its
// skin and text. Children are created in document order, so a later element lies on top of
// an earlier one.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/toolkit/markup/markup_tree.h"
#include "frontend/toolkit/markup/position.h"
#include "frontend/toolkit/skin_geometry.h"
#include "frontend/toolkit/win_defs.h"

namespace Gdiplus {
class Graphics;
}

namespace qv::ui {

class SHostWnd;
class SSkin;
struct StateSize;

// A native font of the application's cache (an HFONT); the application owns it.
using FontHandle = void*;

// What an element draws on: the host's back buffer through GDI+ (images) and GDI (text).
struct Canvas {
  Gdiplus::Graphics* graphics = nullptr;
  void* dc = nullptr;  // the HDC under `graphics`
  PixelRect clip;      // the part that needs painting; elements outside it are skipped
};

// An element's attributes: its own first, then those of its style class.
class AttrReader {
 public:
  AttrReader(const MarkupNode& node, const MarkupNode* style) : node_(node), style_(style) {}
  const std::string* Get(std::string_view name) const;
  int IntOr(std::string_view name, int fallback) const;
  const MarkupNode& Node() const { return node_; }

 private:
  const MarkupNode& node_;
  const MarkupNode* style_;
};

// 0xAARRGGBB from "#RRGGBB", or `fallback`.
uint32_t ColorOr(const std::string* text, uint32_t fallback);

class SWindow {
 public:
  SWindow(SHostWnd* host, SWindow* parent);
  virtual ~SWindow();
  SWindow(const SWindow&) = delete;
  SWindow& operator=(const SWindow&) = delete;

  // Reads the element's attributes and creates its child elements (unknown kinds skipped).
  void InitFromXml(const MarkupNode& node);

  // ---- operations of the controller ----
  SWindow* FindChildByName(std::string_view name, int depth = -1);
  template <class T>
  T* FindChildByName2(std::string_view name, int depth = -1) {
    return dynamic_cast<T*>(FindChildByName(name, depth));
  }
  virtual void SetWindowText(const std::u16string& text);
  const std::u16string& GetWindowText() const { return text_; }
  void EnableWindow(bool enable, bool update = false);
  void SetVisible(bool visible, bool update = false);
  // Visible itself and every ancestor visible.
  bool IsVisible() const;
  bool IsDisabled() const;
  PixelRect GetWindowRect() const { return box_; }  // in the host window's coordinates
  SWND GetSwnd() const { return swnd_; }
  const std::string& GetName() const { return name_; }
  const SSkin* GetSkin() const { return skin_; }
  FontHandle GetFont() const { return font_; }
  SHostWnd* GetHost() const { return host_; }
  SWindow* GetParent() const { return parent_; }
  const std::vector<std::unique_ptr<SWindow>>& Children() const { return children_; }
  const std::u16string& GetToolTip() const { return tip_; }
  bool WantsHandCursor() const { return handCursor_; }

  void SetDropHighlight(bool on);
  bool HasDropHighlight() const { return dropHighlight_; }

  // Gives the element its box (host coordinates) and lays out its children inside it.
  void Move(const PixelRect& box);
  void UpdateChildrenPosition();

  // Draws the element and its visible children.
  void Paint(Canvas& canvas);
  // The deepest visible element under `x`,`y` (host coordinates), this one included.
  SWindow* HitTest(int x, int y);
  bool Contains(int x, int y) const;

  // ---- mouse input, routed by the host ----
  virtual void OnMouseEnter() {}
  virtual void OnMouseLeave() {}
  virtual void OnMouseDown(int x, int y) {}
  virtual void OnMouseUp(int x, int y, bool inside) {}
  // True when a press here drags the host window.
  virtual bool DragsWindow() const;
  // Enabled state changed (for the element or an ancestor).
  virtual void OnEnableChanged() {}
  virtual void OnVisibleChanged() {}

 protected:
  virtual void OnAttributes(const AttrReader& attrs) {}
  virtual bool IsDataTag(std::string_view tag) const { return false; }
  virtual StateSize GetStateSize() const;
  virtual int SkinState() const { return 0; }
  virtual void LayoutInner() {}
  virtual void DrawContent(Canvas& canvas);
  void DrawText(Canvas& canvas, const PixelRect& box, FontHandle font, uint32_t color);
  std::u16string LayoutText(const std::string& raw) const;
  void Invalidate();

  SHostWnd* host_;
  SWindow* parent_;
  std::vector<std::unique_ptr<SWindow>> children_;
  SWND swnd_ = 0;
  std::string name_;
  std::optional<LayoutPos> pos_;
  const SSkin* skin_ = nullptr;
  std::u16string text_;
  std::u16string tip_;
  FontHandle font_ = nullptr;
  uint32_t textColor_ = 0xFF000000;
  uint32_t disabledColor_ = 0xFF91A7C0;
  int align_ = 0;  // 0 left, 1 centre, 2 right
  bool visible_ = true;
  bool enabled_ = true;
  bool handCursor_ = false;
  bool dropHighlight_ = false;
  PixelRect box_;
};

}  // namespace qv::ui
