#include "frontend/toolkit/qt/skin.h"

namespace qv::ui {

const QImage& QtImageOf(const SSkin& skin) {
  static const QImage none;
  const auto* image = static_cast<const QtSkinImage*>(skin.Image());
  return image ? image->Image() : none;
}

void DrawSkin(QPainter& painter, const SSkin& skin, const QRect& box, int state, qreal opacity) {
  const QImage& image = QtImageOf(skin);
  if (image.isNull() || box.isEmpty()) return;
  const PixelRect s = skin.StateRect(state);
  const QRect source(s.x, s.y, s.width, s.height);
  if (source.isEmpty()) return;
  painter.save();
  painter.setOpacity(painter.opacity() * opacity);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  if (skin.Kind() == SkinDef::Kind::ImageFrame) {
    // Nine pieces: corners unscaled, edges stretched along one axis, the middle in both.
    const PixelRect to{box.left(), box.top(), box.width(), box.height()};
    for (const SkinPiece& piece : FramePieces(skin.Def(), s, to)) {
      if (piece.from.IsEmpty() || piece.to.IsEmpty()) continue;
      painter.drawImage(QRect(piece.to.x, piece.to.y, piece.to.width, piece.to.height), image,
                        QRect(piece.from.x, piece.from.y, piece.from.width, piece.from.height));
    }
  } else {
    painter.drawImage(box, image, source);
  }
  painter.restore();
}

}  // namespace qv::ui
