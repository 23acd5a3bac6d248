#include "frontend/toolkit/win32/list_ctrl.h"

#include <algorithm>

#include "frontend/toolkit/win32/application.h"
#include "frontend/toolkit/win32/host_wnd.h"
#include "frontend/toolkit/win32/system_headers.h"

namespace qv::ui {
namespace {

HWND ViewOf(void* view) { return static_cast<HWND>(view); }

int FormatOf(int align) { return align == 1 ? LVCFMT_CENTER : align == 2 ? LVCFMT_RIGHT : LVCFMT_LEFT; }

void SetCell(HWND view, int row, int column, const std::u16string& text) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(text.c_str()));
  SendMessageW(view, LVM_SETITEMTEXTW, WPARAM(row), LPARAM(&item));
}

void InsertRow(HWND view, int row, const std::vector<std::u16string>& cells) {
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(cells.empty() ? u"" : cells[0].c_str()));
  const int index = int(SendMessageW(view, LVM_INSERTITEMW, 0, LPARAM(&item)));
  for (size_t column = 1; column < cells.size(); ++column) SetCell(view, index, int(column), cells[column]);
}

}  // namespace

SListCtrl::SListCtrl(SHostWnd* host, SWindow* parent) : SWindow(host, parent) {}

SListCtrl::~SListCtrl() {
  if (view_) DestroyWindow(ViewOf(view_));
  if (rowHeightImages_) ImageList_Destroy(static_cast<HIMAGELIST>(rowHeightImages_));
}

void SListCtrl::OnAttributes(const AttrReader& attrs) {
  rowHeight_ = std::clamp(attrs.IntOr("itemHeight", 20), 1, 1000);
  const MarkupNode* header = attrs.Node().Child("header");
  if (header) {
    for (const MarkupNode& item : header->children) {
      if (item.tag != "item") continue;
      const std::string align = item.AttrOr("align", "left");
      columns_.push_back(Column{LayoutText(item.text), std::clamp(item.IntAttrOr("width", 100), 0, 10000),
                                align == "center" ? 1 : align == "right" ? 2 : 0});
    }
  }
  headerVisible_ = header && header->IntAttrOr("height", 20) > 0;
}

void SListCtrl::CreateView() {
  if (view_ || !host_ || !host_->Hwnd()) return;
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
  if (!headerVisible_) style |= LVS_NOCOLUMNHEADER;
  HWND view = CreateWindowExW(0, WC_LISTVIEWW, L"", style, box_.x, box_.y, box_.width, box_.height,
                              static_cast<HWND>(host_->Hwnd()), nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!view) return;
  view_ = view;
  SendMessageW(view, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_HEADERDRAGDROP | LVS_EX_LABELTIP);
  if (font_) SendMessageW(view, WM_SETFONT, WPARAM(font_), TRUE);
  // The row height follows the tallest small image: an empty list of 1-pixel-wide images.
  HIMAGELIST images = ImageList_Create(1, rowHeight_, ILC_COLOR32, 0, 1);
  rowHeightImages_ = images;
  if (images) SendMessageW(view, LVM_SETIMAGELIST, LVSIL_SMALL, LPARAM(images));
  for (size_t i = 0; i < columns_.size(); ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    column.fmt = i == 0 ? LVCFMT_LEFT : FormatOf(columns_[i].align);  // the first column is always left
    column.cx = columns_[i].width;
    column.iSubItem = int(i);
    column.pszText = const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(columns_[i].title.c_str()));
    SendMessageW(view, LVM_INSERTCOLUMNW, WPARAM(i), LPARAM(&column));
  }
  for (size_t row = 0; row < rows_.size(); ++row) InsertRow(view, int(row), rows_[row]);
  OnVisibleChanged();
}

void SListCtrl::LayoutInner() {
  if (view_) MoveWindow(ViewOf(view_), box_.x, box_.y, box_.width, box_.height, TRUE);
}

void SListCtrl::OnVisibleChanged() {
  if (view_) ::ShowWindow(ViewOf(view_), IsVisible() ? SW_SHOWNA : SW_HIDE);
}

void SListCtrl::DeleteAllItems() {
  rows_.clear();
  if (view_) SendMessageW(ViewOf(view_), LVM_DELETEALLITEMS, 0, 0);
}

int SListCtrl::InsertItem(int index, const std::u16string& text, int) {
  index = std::clamp(index, 0, GetItemCount());
  std::vector<std::u16string> cells(std::max<size_t>(1, columns_.size()));
  cells[0] = text;
  rows_.insert(rows_.begin() + index, cells);
  if (view_) InsertRow(ViewOf(view_), index, cells);
  return index;
}

bool SListCtrl::SetSubItemText(int row, int column, const std::u16string& text) {
  if (row < 0 || row >= GetItemCount() || column < 0 || column >= GetColumnCount()) return false;
  rows_[size_t(row)][size_t(column)] = text;
  if (view_) SetCell(ViewOf(view_), row, column, text);
  return true;
}

std::u16string SListCtrl::GetSubItemText(int row, int column) const {
  if (row < 0 || row >= GetItemCount() || column < 0 || column >= GetColumnCount()) return std::u16string();
  return rows_[size_t(row)][size_t(column)];
}

int SListCtrl::GetColumnWidth(int column) const {
  if (column < 0 || column >= GetColumnCount()) return 0;
  if (view_) return int(SendMessageW(ViewOf(view_), LVM_GETCOLUMNWIDTH, WPARAM(column), 0));
  return columns_[size_t(column)].width;
}

}  // namespace qv::ui
