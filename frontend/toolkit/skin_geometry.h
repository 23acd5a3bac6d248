// Where the pieces of a skin image go: which part of the image one state is, and how an
// image frame is cut into nine pieces (corners unscaled, edges stretched along one axis,
// the middle in both). Both backends draw skins with these rectangles.
#pragma once

#include <array>

#include "frontend/toolkit/markup/ui_defs.h"

namespace qv::ui {

struct PixelRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool IsEmpty() const { return width <= 0 || height <= 0; }
  bool operator==(const PixelRect&) const = default;
};

struct SkinPiece {
  PixelRect from;  // in the image
  PixelRect to;    // in the element's box
};

// The number of states a skin's image holds side by side (1 for an image frame).
int SkinStates(const SkinDef& def);
// The part of an image of `imageWidth` × `imageHeight` that state `state` takes (clamped to
// the existing states): equal-width columns.
PixelRect SkinStateRect(const SkinDef& def, int imageWidth, int imageHeight, int state);
// The nine pieces of an image frame: `source` (one state) drawn into `box` keeping the
// frame's margins unscaled; a margin never takes more than half of the source or the box.
// Empty pieces are left empty.
std::array<SkinPiece, 9> FramePieces(const SkinDef& def, const PixelRect& source, const PixelRect& box);

}  // namespace qv::ui
