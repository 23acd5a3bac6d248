// The Win32 side of the element tree: the host window draws every element itself into its
// back buffer (GDI+ for images, GDI for text), so an element's view only asks the host to
// repaint it; a list's view is the common ListView control, a child window of the host.
#pragma once

#include <memory>

#include "frontend/toolkit/element_backend.h"
#include "frontend/toolkit/swindow.h"

namespace Gdiplus {
class Graphics;
}

namespace qv::ui {

class SHostWnd;

// Draws into the host's back buffer: GDI+ under `graphics`, GDI text on its device context.
class GdiPainter : public Painter {
 public:
  explicit GdiPainter(Gdiplus::Graphics& graphics) : graphics_(graphics) {}
  void DrawSkin(const SSkin& skin, const PixelRect& box, int state, float opacity) override;
  void DrawText(const std::u16string& text, const PixelRect& box, FontHandle font, uint32_t argb,
                int align) override;
  void DrawDropZone(const PixelRect& box) override;

 private:
  Gdiplus::Graphics& graphics_;
};

// The view the Win32 host makes for an element.
std::unique_ptr<ElementView> MakeWin32View(SWindow& element, SHostWnd& host);
// Makes the native controls of the element and its descendants once the host window exists.
void CreateNativeControls(SWindow& element);

}  // namespace qv::ui
