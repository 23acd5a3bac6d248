// SWindow: one element of a layout tree, the same on every backend. It knows its layout
// name, its position rule, its skin, text, tooltip and font; it lays out its children by
// their position rules whenever its own box changes, finds elements by name and under a
// point, and draws its skin and text through the backend's Painter. Children are created in
// document order, so a later element lies on top of an earlier one. Its ElementView (made by
// the host) is what the backend shows for it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/toolkit/element_backend.h"
#include "frontend/toolkit/markup/markup_tree.h"
#include "frontend/toolkit/markup/position.h"
#include "frontend/toolkit/skin.h"
#include "frontend/toolkit/win_defs.h"

namespace qv::ui {

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
  SWindow(ElementHost* host, SWindow* parent);
  virtual ~SWindow();
  SWindow(const SWindow&) = delete;
  SWindow& operator=(const SWindow&) = delete;

  // Reads the element's attributes, gets its view from the host and creates its child
  // elements (unknown kinds skipped).
  void InitFromXml(const MarkupNode& node);

  // ---- operations of the controller ----
  // The first element of that name below this one (depth -1: the whole tree, 1: children
  // only), in document order; nullptr when there is none.
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
  // Disabled itself or below a disabled ancestor.
  bool IsDisabled() const;
  // The element's own flags, whatever its ancestors are.
  bool IsShownByItself() const { return visible_; }
  bool IsEnabledByItself() const { return enabled_; }
  PixelRect GetWindowRect() const { return box_; }  // in the host window's coordinates
  SWND GetSwnd() const { return swnd_; }
  const std::string& GetName() const { return name_; }
  const SSkin* GetSkin() const { return skin_; }
  FontHandle GetFont() const { return font_; }
  ElementHost* GetHost() const { return host_; }
  SWindow* GetParent() const { return parent_; }
  const std::vector<std::unique_ptr<SWindow>>& Children() const { return children_; }
  const std::u16string& GetToolTip() const { return tip_; }
  bool WantsHandCursor() const { return handCursor_; }
  ElementView* View() const { return view_.get(); }

  // Set by the host while a drag that this element's drop target takes is over it.
  void SetDropHighlight(bool on);
  bool HasDropHighlight() const { return dropHighlight_; }

  // Gives the element its box (host coordinates) and lays out its children inside it.
  void Move(const PixelRect& box);
  void UpdateChildrenPosition();

  // Draws the element alone (backends whose elements paint themselves) or with its visible
  // children, skipping what lies outside `clip` (backends whose host paints the tree).
  void PaintContent(Painter& painter) { DrawContent(painter); }
  void Paint(Painter& painter, const PixelRect& clip);
  // The deepest visible element under `x`,`y` (host coordinates), this one included.
  SWindow* HitTest(int x, int y);
  bool Contains(int x, int y) const;

  // ---- input, routed by the backend (host coordinates) ----
  virtual void OnMouseEnter() {}
  virtual void OnMouseLeave() {}
  virtual void OnMouseDown(int x, int y) {}
  virtual void OnMouseUp(int x, int y, bool inside) {}
  // True when a press here drags the host window (by default: when the parent's does).
  virtual bool DragsWindow() const;

 protected:
  // Kind-specific attributes, after the common ones.
  virtual void OnAttributes(const AttrReader& attrs) {}
  // Tags inside this element that are data of the element, not child elements.
  virtual bool IsDataTag(std::string_view tag) const { return false; }
  // The size of one skin state (two-value positions take it as the element's size).
  virtual StateSize GetStateSize() const;
  virtual int SkinState() const { return 0; }
  // The enabled state of this element changed.
  virtual void OnEnableChanged() {}
  virtual void DrawContent(Painter& painter);
  void DrawText(Painter& painter, const PixelRect& box, FontHandle font, uint32_t color);
  std::u16string LayoutText(const std::string& raw) const;  // strings expanded, translated
  void Invalidate();

  ElementHost* host_;
  SWindow* parent_;
  std::vector<std::unique_ptr<SWindow>> children_;
  std::unique_ptr<ElementView> view_;
  SWND swnd_ = 0;
  std::string name_;
  std::optional<LayoutPos> pos_;
  const SSkin* skin_ = nullptr;
  std::u16string text_;
  std::u16string tip_;
  FontHandle font_ = nullptr;
  uint32_t textColor_ = 0xFF000000;
  uint32_t disabledColor_ = 0xFF91A7C0;
  int align_ = kAlignLeft;
  bool visible_ = true;
  bool enabled_ = true;
  bool handCursor_ = false;
  bool dropHighlight_ = false;
  PixelRect box_;
};

}  // namespace qv::ui
