// Skins on Qt: the package's images as QImages, drawn with QPainter.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>

#include "frontend/toolkit/skin.h"

namespace qv::ui {

class QtSkinImage : public SkinImage {
 public:
  explicit QtSkinImage(QImage image) : image_(std::move(image)) {}
  int Width() const override { return image_.width(); }
  int Height() const override { return image_.height(); }
  const QImage& Image() const { return image_; }

 private:
  QImage image_;
};

// The skin's image (a null image when it has none).
const QImage& QtImageOf(const SSkin& skin);
// Draws state `state` (clamped to the existing states) into `box` with the given opacity.
void DrawSkin(QPainter& painter, const SSkin& skin, const QRect& box, int state, qreal opacity = 1.0);

}  // namespace qv::ui
