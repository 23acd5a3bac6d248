// Element positions of the layout files and the geometry rules that turn them into boxes.
//
// "x1,y1,x2,y2" gives the four edges; "x,y" places the top-left corner and takes the size
// of one state of the element's skin. A non-negative value counts from the parent's left or
// top edge, a negative one (including "-0") from its right or bottom edge.
#pragma once

#include <optional>
#include <string_view>

namespace qv::ui {

struct PosValue {
  int offset = 0;        // magnitude in pixels
  bool fromEnd = false;  // counted from the right or bottom edge
};

struct LayoutPos {
  int count = 0;  // 2 or 4
  PosValue v[4];
};

struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const Box&) const = default;
};

// nullopt for anything but two or four integers separated by commas.
std::optional<LayoutPos> ParsePos(std::string_view text);

// The element's box relative to its parent's top-left corner, for a parent of the given
// size. `stateWidth`/`stateHeight` are the size of one skin state (used by two-value
// positions). Boxes are never inverted: a right edge left of the left edge collapses to it.
Box ComputeBox(const LayoutPos& pos, int parentWidth, int parentHeight, int stateWidth,
               int stateHeight);

}  // namespace qv::ui
