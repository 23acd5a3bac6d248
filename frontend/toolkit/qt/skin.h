// Skins: how an element's background is drawn from an image of the package.
//   image list  - the image holds N equal-width states side by side; one state is drawn,
//                 stretched to the element's box;
//   image frame - the image is stretched to the box keeping fixed borders unscaled.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QSize>
#include <memory>
#include <string>

#include "frontend/toolkit/markup/ui_defs.h"
#include "frontend/toolkit/skin_geometry.h"

namespace qv::ui {

class SSkin {
 public:
  SSkin(SkinDef def, QImage image);
  const std::string& Name() const { return def_.name; }
  SkinDef::Kind Kind() const { return def_.kind; }
  int States() const { return SkinStates(def_); }
  // The size of one state: the whole image divided by the state count in width.
  QSize StateSize() const;
  // Draws state `state` (clamped to the existing states) into `box` with the given opacity.
  void Draw(QPainter& painter, const QRect& box, int state, qreal opacity = 1.0) const;
  const QImage& Image() const { return image_; }

 private:
  QRect StateRect(int state) const;
  void DrawFrame(QPainter& painter, const QRect& box, const QRect& source) const;

  SkinDef def_;
  QImage image_;
};

}  // namespace qv::ui
