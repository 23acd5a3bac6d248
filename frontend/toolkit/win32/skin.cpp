#include "frontend/toolkit/win32/skin.h"

#include "frontend/toolkit/win32/system_headers.h"

namespace qv::ui {

GdiplusSkinImage::GdiplusSkinImage(std::unique_ptr<Gdiplus::Bitmap> image) : image_(std::move(image)) {
  if (image_) {
    width_ = int(image_->GetWidth());
    height_ = int(image_->GetHeight());
  }
}

GdiplusSkinImage::~GdiplusSkinImage() = default;

Gdiplus::Bitmap* BitmapOf(const SSkin& skin) {
  const auto* image = static_cast<const GdiplusSkinImage*>(skin.Image());
  return image ? image->Bitmap() : nullptr;
}

void DrawSkin(Gdiplus::Graphics& graphics, const SSkin& skin, const PixelRect& box, int state, float opacity) {
  Gdiplus::Bitmap* bitmap = BitmapOf(skin);
  if (!bitmap || box.IsEmpty()) return;
  const PixelRect source = skin.StateRect(state);
  if (source.IsEmpty()) return;
  Gdiplus::ImageAttributes attributes;
  // Stretched edges take the edge pixels, not a blend with what lies outside the piece.
  attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
  if (opacity < 1.0f) {
    Gdiplus::ColorMatrix matrix = {{{1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, opacity, 0}, {0, 0, 0, 0, 1}}};
    attributes.SetColorMatrix(&matrix);
  }
  graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBilinear);
  graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  auto draw = [&](const PixelRect& to, const PixelRect& from) {
    if (to.IsEmpty() || from.IsEmpty()) return;
    graphics.DrawImage(bitmap, Gdiplus::Rect(to.x, to.y, to.width, to.height), from.x, from.y, from.width,
                       from.height, Gdiplus::UnitPixel, &attributes);
  };
  if (skin.Kind() == SkinDef::Kind::ImageFrame) {
    for (const SkinPiece& piece : FramePieces(skin.Def(), source, box)) draw(piece.to, piece.from);
  } else {
    draw(box, source);
  }
}

}  // namespace qv::ui
