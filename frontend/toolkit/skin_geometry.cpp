#include "frontend/toolkit/skin_geometry.h"

#include <algorithm>

namespace qv::ui {

int SkinStates(const SkinDef& def) {
  return def.kind == SkinDef::Kind::ImageList ? std::max(1, def.states) : 1;
}

PixelRect SkinStateRect(const SkinDef& def, int imageWidth, int imageHeight, int state) {
  const int states = SkinStates(def);
  const int width = std::max(0, imageWidth) / states;
  state = std::clamp(state, 0, states - 1);
  return PixelRect{state * width, 0, width, std::max(0, imageHeight)};
}

std::array<SkinPiece, 9> FramePieces(const SkinDef& def, const PixelRect& source, const PixelRect& box) {
  const int l = std::min(def.margins[0], source.width / 2);
  const int t = std::min(def.margins[1], source.height / 2);
  const int r = std::min(def.margins[2], source.width - l);
  const int b = std::min(def.margins[3], source.height - t);
  const int sx[4] = {source.x, source.x + l, source.x + source.width - r, source.x + source.width};
  const int sy[4] = {source.y, source.y + t, source.y + source.height - b, source.y + source.height};
  const int dx[4] = {box.x, box.x + std::min(l, box.width / 2), box.x + box.width - std::min(r, box.width / 2),
                     box.x + box.width};
  const int dy[4] = {box.y, box.y + std::min(t, box.height / 2), box.y + box.height - std::min(b, box.height / 2),
                     box.y + box.height};
  std::array<SkinPiece, 9> pieces{};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      pieces[size_t(row * 3 + col)] = SkinPiece{
          PixelRect{sx[col], sy[row], sx[col + 1] - sx[col], sy[row + 1] - sy[row]},
          PixelRect{dx[col], dy[row], dx[col + 1] - dx[col], dy[row + 1] - dy[row]}};
    }
  }
  return pieces;
}

}  // namespace qv::ui
