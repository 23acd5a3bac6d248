#include "frontend/toolkit/win32/skin.h"

#include "frontend/toolkit/win32/system_headers.h"

namespace qv::ui {

SSkin::SSkin(SkinDef def, std::unique_ptr<Gdiplus::Bitmap> image) : def_(std::move(def)), image_(std::move(image)) {
  if (image_) {
    width_ = int(image_->GetWidth());
    height_ = int(image_->GetHeight());
  }
}

SSkin::~SSkin() = default;

StateSize SSkin::GetStateSize() const {
  if (!image_) return StateSize{};
  return StateSize{width_ / States(), height_};
}

void SSkin::Draw(Gdiplus::Graphics& graphics, const PixelRect& box, int state, float opacity) const {
  if (!image_ || box.IsEmpty()) return;
  const PixelRect source = SkinStateRect(def_, width_, height_, state);
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
    graphics.DrawImage(image_.get(), Gdiplus::Rect(to.x, to.y, to.width, to.height), from.x, from.y, from.width,
                       from.height, Gdiplus::UnitPixel, &attributes);
  };
  if (def_.kind == SkinDef::Kind::ImageFrame) {
    for (const SkinPiece& piece : FramePieces(def_, source, box)) draw(piece.to, piece.from);
  } else {
    draw(box, source);
  }
}

}  // namespace qv::ui
