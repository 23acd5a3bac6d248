// A window layout file: root `hostwnd` with the native window's attributes and one `root`
// element holding the element tree. Element kinds (tags): window, img, caption, text,
// imgbtn, progress, edit, listctrl, link.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "frontend/toolkit/markup/markup_tree.h"

namespace qv::ui {

struct HostAttrs {
  std::string name;
  std::string title;        // before string expansion ("%title% version:%ver%")
  int width = 0, height = 0;
  int minWidth = 0, minHeight = 0;
  bool resizable = true;
  bool appWindow = true;     // has a taskbar entry
  bool translucent = false;  // per-pixel alpha
  int margin[4] = {0, 0, 0, 0};    // left, top, right, bottom: the shadow around the content
  int maxInset[4] = {0, 0, 0, 0};  // the same when maximised
  std::string bigIcon, smallIcon;  // "NAME:size"
};

struct LayoutDoc {
  HostAttrs host;
  MarkupNode root;  // the `root` element
};

// nullopt when the text is not a layout (no `hostwnd` root, no `root` element, a size out
// of range). Element attributes are checked when the elements are created.
std::optional<LayoutDoc> ReadLayout(std::string_view xml);

// "a,b" into two integers; "a,b,c,d" into four. False for anything else.
bool ParseIntList(std::string_view text, int* out, int count);

}  // namespace qv::ui
