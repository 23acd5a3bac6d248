#include "frontend/toolkit/skin.h"

#include <algorithm>

namespace qv::ui {

SSkin::SSkin(SkinDef def, QImage image) : def_(std::move(def)), image_(std::move(image)) {}

QSize SSkin::StateSize() const {
  if (image_.isNull()) return QSize(0, 0);
  return QSize(image_.width() / States(), image_.height());
}

QRect SSkin::StateRect(int state) const {
  const QSize size = StateSize();
  state = std::clamp(state, 0, States() - 1);
  return QRect(state * size.width(), 0, size.width(), size.height());
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
  const int l = std::min(def_.margins[0], source.width() / 2);
  const int t = std::min(def_.margins[1], source.height() / 2);
  const int r = std::min(def_.margins[2], source.width() - l);
  const int b = std::min(def_.margins[3], source.height() - t);
  const int sx[4] = {source.left(), source.left() + l, source.left() + source.width() - r,
                     source.left() + source.width()};
  const int sy[4] = {source.top(), source.top() + t, source.top() + source.height() - b,
                     source.top() + source.height()};
  const int dx[4] = {box.left(), box.left() + std::min(l, box.width() / 2),
                     box.left() + box.width() - std::min(r, box.width() / 2), box.left() + box.width()};
  const int dy[4] = {box.top(), box.top() + std::min(t, box.height() / 2),
                     box.top() + box.height() - std::min(b, box.height() / 2), box.top() + box.height()};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      const QRect from(sx[col], sy[row], sx[col + 1] - sx[col], sy[row + 1] - sy[row]);
      const QRect to(dx[col], dy[row], dx[col + 1] - dx[col], dy[row + 1] - dy[row]);
      if (!from.isEmpty() && !to.isEmpty()) painter.drawImage(to, image_, from);
    }
  }
}

}  // namespace qv::ui
