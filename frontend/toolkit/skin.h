// Skins: how an element's background is drawn from an image of the package.
//   image list  - the image holds N equal-width states side by side; one state is drawn,
//                 stretched to the element's box;
//   image frame - the image is stretched to the box keeping fixed borders unscaled.
// The image itself is the backend's (a QImage, a GDI+ bitmap); the backend's Painter draws
// it with the rectangles of skin_geometry.h.
#pragma once

#include <memory>
#include <string>

#include "frontend/toolkit/markup/ui_defs.h"
#include "frontend/toolkit/skin_geometry.h"

namespace qv::ui {

struct StateSize {
  int width = 0, height = 0;
  bool operator==(const StateSize&) const = default;
};

// A decoded image of the backend.
class SkinImage {
 public:
  virtual ~SkinImage() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
};

class SSkin {
 public:
  SSkin(SkinDef def, std::unique_ptr<SkinImage> image) : def_(std::move(def)), image_(std::move(image)) {}
  const std::string& Name() const { return def_.name; }
  SkinDef::Kind Kind() const { return def_.kind; }
  const SkinDef& Def() const { return def_; }
  int States() const { return SkinStates(def_); }
  // The size of one state: the whole image divided by the state count in width.
  StateSize GetStateSize() const {
    if (!image_) return StateSize{};
    return StateSize{image_->Width() / States(), image_->Height()};
  }
  // The part of the image that state `state` takes (clamped to the existing states).
  PixelRect StateRect(int state) const {
    return image_ ? SkinStateRect(def_, image_->Width(), image_->Height(), state) : PixelRect{};
  }
  const SkinImage* Image() const { return image_.get(); }

 private:
  SkinDef def_;
  std::unique_ptr<SkinImage> image_;
};

}  // namespace qv::ui
