// SWindow: one element of a layout tree, over a QWidget. It knows its layout name, its
// position rule, its skin, text and font; it lays out its children by their position rules
// whenever its own size changes, and draws its skin and text. Children are created in
// document order, so a later element lies on top of an earlier one.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/toolkit/markup/markup_tree.h"
#include "frontend/toolkit/markup/position.h"
#include "frontend/toolkit/win_defs.h"

namespace qv::ui {

class SHostWnd;
class SSkin;

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

class SWindow : public QWidget {
 public:
  SWindow(SHostWnd* host, QWidget* parent);
  ~SWindow() override;

  // Reads the element's attributes and creates its child elements (unknown kinds skipped).
  void InitFromXml(const MarkupNode& node);

  // ---- operations of the controller ----
  // The first element of that name below this one (depth -1: the whole tree, 1: children
  // only), in document order; nullptr when there is none.
  SWindow* FindChildByName(std::string_view name, int depth = -1);
  template <class T>
  T* FindChildByName2(std::string_view name, int depth = -1) {
    return dynamic_cast<T*>(FindChildByName(name, depth));
  }
  virtual void SetWindowText(const QString& text);
  void SetWindowText(const std::u16string& text) { SetWindowText(QString::fromStdU16String(text)); }
  QString GetWindowText() const { return text_; }
  void EnableWindow(bool enable, bool update = false);
  void SetVisible(bool visible, bool update = false);
  bool IsVisible() const { return !isHidden(); }
  bool IsDisabled() const { return !isEnabled(); }
  QRect GetWindowRect() const;  // in the host window's coordinates
  SWND GetSwnd() const { return swnd_; }
  const std::string& GetName() const { return name_; }
  const SSkin* GetSkin() const { return skin_; }
  const QFont& GetFont() const { return font_; }
  SHostWnd* GetHost() const { return host_; }

  // Set by the host while a drag that this element's drop target takes is over it.
  void SetDropHighlight(bool on);
  bool HasDropHighlight() const { return dropHighlight_; }

  // Places the children by their position rules inside this element's current size.
  void UpdateChildrenPosition();

 protected:
  // Kind-specific attributes, after the common ones.
  virtual void OnAttributes(const AttrReader& attrs) {}
  // Tags inside this element that are data of the element, not child elements.
  virtual bool IsDataTag(std::string_view tag) const { return false; }
  // The size of one skin state (two-value positions take it as the element's size).
  virtual QSize StateSize() const;
  virtual int SkinState() const { return 0; }
  // Places the element's own inner Qt widgets (not elements) in its current size.
  virtual void LayoutInner() {}
  virtual void DrawContent(QPainter& painter);
  void DrawText(QPainter& painter, const QRect& box, const QFont& font, const QColor& color);
  QString LayoutText(const std::string& raw) const;  // strings expanded, translated

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

  SHostWnd* host_;
  SWND swnd_ = 0;
  std::string name_;
  std::optional<LayoutPos> pos_;
  const SSkin* skin_ = nullptr;
  QString text_;
  QFont font_;
  QColor textColor_{0, 0, 0};
  QColor disabledColor_{0x91, 0xa7, 0xc0};
  int align_ = 0;  // Qt horizontal alignment flags; 0 = left
  bool dropHighlight_ = false;
};

}  // namespace qv::ui
