// Skins: how an element's background is drawn from an image of the package, with GDI+.
//   image list  - the image holds N equal-width states side by side; one state is drawn,
//                 stretched to the element's box;
//   image frame - the image is stretched to the box keeping fixed borders unscaled.
#pragma once

#include <memory>
#include <string>

#include "frontend/toolkit/markup/ui_defs.h"
#include "frontend/toolkit/skin_geometry.h"

namespace Gdiplus {
class Bitmap;
class Graphics;
}  // namespace Gdiplus

namespace qv::ui {

struct StateSize {
  int width = 0, height = 0;
};

class SSkin {
 public:
  SSkin(SkinDef def, std::unique_ptr<Gdiplus::Bitmap> image);
  ~SSkin();
  const std::string& Name() const { return def_.name; }
  SkinDef::Kind Kind() const { return def_.kind; }
  int States() const { return SkinStates(def_); }
  // The size of one state: the whole image divided by the state count in width.
  StateSize GetStateSize() const;
  // Draws state `state` (clamped to the existing states) into `box` with the given opacity.
  void Draw(Gdiplus::Graphics& graphics, const PixelRect& box, int state, float opacity = 1.0f) const;
  Gdiplus::Bitmap* Image() const { return image_.get(); }

 private:
  SkinDef def_;
  std::unique_ptr<Gdiplus::Bitmap> image_;
  int width_ = 0, height_ = 0;
};

}  // namespace qv::ui
