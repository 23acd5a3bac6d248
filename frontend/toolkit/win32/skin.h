// Skins on Win32: the package's images as GDI+ bitmaps, drawn with GDI+.
#pragma once

#include <memory>

#include "frontend/toolkit/skin.h"

namespace Gdiplus {
class Bitmap;
class Graphics;
}  // namespace Gdiplus

namespace qv::ui {

class GdiplusSkinImage : public SkinImage {
 public:
  explicit GdiplusSkinImage(std::unique_ptr<Gdiplus::Bitmap> image);
  ~GdiplusSkinImage() override;
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  Gdiplus::Bitmap* Bitmap() const { return image_.get(); }

 private:
  std::unique_ptr<Gdiplus::Bitmap> image_;
  int width_ = 0, height_ = 0;
};

// The skin's bitmap (nullptr when it has none).
Gdiplus::Bitmap* BitmapOf(const SSkin& skin);
// Draws state `state` (clamped to the existing states) into `box` with the given opacity.
void DrawSkin(Gdiplus::Graphics& graphics, const SSkin& skin, const PixelRect& box, int state, float opacity = 1.0f);

}  // namespace qv::ui
