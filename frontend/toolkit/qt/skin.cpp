#include "frontend/toolkit/qt/skin.h"

#include <algorithm>

namespace qv::ui {

SSkin::SSkin(SkinDef def, QImage image) : def_(std::move(def)), image_(std::move(image)) {}

QSize SSkin::StateSize() const {
  if (image_.isNull()) return QSize(0, 0);
  return QSize(image_.width() / States(), image_.height());
}

QRect SSkin::StateRect(int state) const {
  const PixelRect r = SkinStateRect(def_, image_.width(), image_.height(), state);
  return QRect(r.x, r.y, r.width, r.height);
}

void SSkin::Draw(QPainter& painter, const QRect& box, int state, qreal opacity) const {
  if (image_.isNull() || box.isEmpty()) return;
  const QRect source = StateRect(state);
  if (source.isEmpty()) return;
  painter.save();
  painter.setOpacity(painter.opacity() * opacity);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  if (def_.kind == SkinDef::Kind::ImageFrame) {
    DrawFrame(painter, box, source);
  } else {
    painter.drawImage(box, image_, source);
  }
  painter.restore();
}

// Nine pieces: corners unscaled, edges stretched along one axis, the middle in both.
void SSkin::DrawFrame(QPainter& painter, const QRect& box, const QRect& source) const {
  const PixelRect from{source.left(), source.top(), source.width(), source.height()};
  const PixelRect to{box.left(), box.top(), box.width(), box.height()};
  for (const SkinPiece& piece : FramePieces(def_, from, to)) {
    if (piece.from.IsEmpty() || piece.to.IsEmpty()) continue;
    painter.drawImage(QRect(piece.to.x, piece.to.y, piece.to.width, piece.to.height), image_,
                      QRect(piece.from.x, piece.from.y, piece.from.width, piece.from.height));
  }
}

}  // namespace qv::ui
