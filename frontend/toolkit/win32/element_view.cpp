#include "frontend/toolkit/win32/element_view.h"

#include <algorithm>

#include "frontend/toolkit/list_ctrl.h"
#include "frontend/toolkit/win32/host_wnd.h"
#include "frontend/toolkit/win32/skin.h"
#include "frontend/toolkit/win32/system_headers.h"

namespace qv::ui {
namespace {

// A drawn element: every change is a repaint of its box by the host.
class DrawnView : public ElementView {
 public:
  DrawnView(SWindow& element, SHostWnd& host) : element_(element), host_(host) {}
  void Invalidate() override { host_.InvalidateElement(&element_); }
  void BoxChanged() override {}
  void VisibleChanged() override { host_.InvalidateElement(&element_); }
  void EnabledChanged() override {}

 protected:
  SWindow& element_;
  SHostWnd& host_;
};

int FormatOf(int align) { return align == kAlignCenter ? LVCFMT_CENTER : align == kAlignRight ? LVCFMT_RIGHT : LVCFMT_LEFT; }

LPWSTR Text(const std::u16string& text) { return const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(text.c_str())); }

// A list: the ListView control in report view over the element's box, made once the host
// window exists.
class ListView : public DrawnView {
 public:
  ListView(SListCtrl& list, SHostWnd& host) : DrawnView(list, host), list_(list) {}
  ~ListView() override {
    if (view_) DestroyWindow(view_);
    if (rowHeightImages_) ImageList_Destroy(rowHeightImages_);
  }
  void Create() {
    if (view_ || !host_.Hwnd()) return;
    const PixelRect box = list_.GetWindowRect();
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
    if (!list_.IsHeaderVisible()) style |= LVS_NOCOLUMNHEADER;
    view_ = CreateWindowExW(0, WC_LISTVIEWW, L"", style, box.x, box.y, box.width, box.height,
                            static_cast<HWND>(host_.Hwnd()), nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!view_) return;
    SendMessageW(view_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_HEADERDRAGDROP | LVS_EX_LABELTIP);
    if (list_.GetFont()) SendMessageW(view_, WM_SETFONT, WPARAM(list_.GetFont()), TRUE);
    // The row height follows the tallest small image: an empty list of 1-pixel-wide images.
    rowHeightImages_ = ImageList_Create(1, list_.GetRowHeight(), ILC_COLOR32, 0, 1);
    if (rowHeightImages_) SendMessageW(view_, LVM_SETIMAGELIST, LVSIL_SMALL, LPARAM(rowHeightImages_));
    const auto& columns = list_.Columns();
    for (size_t i = 0; i < columns.size(); ++i) {
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
      column.fmt = i == 0 ? LVCFMT_LEFT : FormatOf(columns[i].align);  // the first column is always left
      column.cx = columns[i].width;
      column.iSubItem = int(i);
      column.pszText = Text(columns[i].title);
      SendMessageW(view_, LVM_INSERTCOLUMNW, WPARAM(i), LPARAM(&column));
    }
    for (int row = 0; row < list_.GetItemCount(); ++row) RowInserted(row);
    VisibleChanged();
  }
  void BoxChanged() override {
    const PixelRect box = list_.GetWindowRect();
    if (view_) MoveWindow(view_, box.x, box.y, box.width, box.height, TRUE);
  }
  void VisibleChanged() override {
    if (view_) ::ShowWindow(view_, list_.IsVisible() ? SW_SHOWNA : SW_HIDE);
  }
  void RowsCleared() override {
    if (view_) SendMessageW(view_, LVM_DELETEALLITEMS, 0, 0);
  }
  void RowInserted(int row) override {
    if (!view_) return;
    const std::u16string first = list_.GetSubItemText(row, 0);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = Text(first);
    const int index = int(SendMessageW(view_, LVM_INSERTITEMW, 0, LPARAM(&item)));
    for (int column = 1; column < list_.GetColumnCount(); ++column) SetCell(index, column);
  }
  void CellChanged(int row, int column) override {
    if (view_) SetCell(row, column);
  }
  void* Native() const override { return view_; }

 private:
  void SetCell(int row, int column) {
    const std::u16string text = list_.GetSubItemText(row, column);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = Text(text);
    SendMessageW(view_, LVM_SETITEMTEXTW, WPARAM(row), LPARAM(&item));
  }

  SListCtrl& list_;
  HWND view_ = nullptr;
  HIMAGELIST rowHeightImages_ = nullptr;
};

// Visibility reaches the native controls below an element too.
class ContainerView : public DrawnView {
 public:
  using DrawnView::DrawnView;
  void VisibleChanged() override {
    DrawnView::VisibleChanged();
    NotifyBelow(element_);
  }

 private:
  static void NotifyBelow(SWindow& element) {
    for (const auto& child : element.Children()) {
      if (child->View()) child->View()->VisibleChanged();
      NotifyBelow(*child);
    }
  }
};

}  // namespace

std::unique_ptr<ElementView> MakeWin32View(SWindow& element, SHostWnd& host) {
  if (auto* list = dynamic_cast<SListCtrl*>(&element)) return std::make_unique<ListView>(*list, host);
  return std::make_unique<ContainerView>(element, host);
}

void CreateNativeControls(SWindow& element) {
  if (dynamic_cast<SListCtrl*>(&element) && element.View()) static_cast<ListView*>(element.View())->Create();
  for (const auto& child : element.Children()) CreateNativeControls(*child);
}

// ---- GdiPainter ----

void GdiPainter::DrawSkin(const SSkin& skin, const PixelRect& box, int state, float opacity) {
  ui::DrawSkin(graphics_, skin, box, state, opacity);
}

void GdiPainter::DrawText(const std::u16string& text, const PixelRect& box, FontHandle font, uint32_t argb,
                          int align) {
  HDC dc = graphics_.GetHDC();
  const int saved = SaveDC(dc);
  if (font) SelectObject(dc, HFONT(font));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF));
  RECT rect{box.x, box.y, box.x + box.width, box.y + box.height};
  UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
  if (align == kAlignCenter) format |= DT_CENTER;
  else if (align == kAlignRight) format |= DT_RIGHT;
  DrawTextW(dc, reinterpret_cast<LPCWSTR>(text.c_str()), int(text.size()), &rect, format);
  RestoreDC(dc, saved);
  graphics_.ReleaseHDC(dc);
}

void GdiPainter::DrawDropZone(const PixelRect& box) {
  Gdiplus::Graphics& g = graphics_;
  const Gdiplus::SmoothingMode mode = g.GetSmoothingMode();
  g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  const Gdiplus::REAL x = Gdiplus::REAL(box.x) + 3, y = Gdiplus::REAL(box.y) + 3;
  const Gdiplus::REAL w = Gdiplus::REAL(box.width) - 6, h = Gdiplus::REAL(box.height) - 6, r = 6;
  Gdiplus::GraphicsPath path;
  path.AddArc(x, y, 2 * r, 2 * r, 180, 90);
  path.AddArc(x + w - 2 * r, y, 2 * r, 2 * r, 270, 90);
  path.AddArc(x + w - 2 * r, y + h - 2 * r, 2 * r, 2 * r, 0, 90);
  path.AddArc(x, y + h - 2 * r, 2 * r, 2 * r, 90, 90);
  path.CloseFigure();
  Gdiplus::SolidBrush fill(Gdiplus::Color(28, 0x1e, 0x78, 0xd5));
  Gdiplus::Pen pen(Gdiplus::Color(255, 0x1e, 0x78, 0xd5), 1.5f);
  pen.SetDashStyle(Gdiplus::DashStyleDash);
  g.FillPath(&fill, &path);
  g.DrawPath(&pen, &path);
  g.SetSmoothingMode(mode);
}

}  // namespace qv::ui
