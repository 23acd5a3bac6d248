#include "frontend/toolkit/list_ctrl.h"

#include <algorithm>

namespace qv::ui {

void SListCtrl::OnAttributes(const AttrReader& attrs) {
  rowHeight_ = std::clamp(attrs.IntOr("itemHeight", 20), 1, 1000);
  hotTrack_ = attrs.IntOr("hotTrack", 0) != 0;
  scrollBarWidth_ = std::clamp(attrs.IntOr("sbWidth", 15), 4, 100);
  hscroll_ = attrs.IntOr("hscroll", 1) != 0;
  sortable_ = attrs.IntOr("sortable", 0) != 0;
  const MarkupNode* header = attrs.Node().Child("header");
  if (header) {
    for (const MarkupNode& item : header->children) {
      if (item.tag != "item") continue;
      const std::string align = item.AttrOr("align", "left");
      columns_.push_back(Column{LayoutText(item.text), std::clamp(item.IntAttrOr("width", 100), 0, 10000),
                                align == "center" ? kAlignCenter : align == "right" ? kAlignRight : kAlignLeft});
    }
  }
  headerVisible_ = header && header->IntAttrOr("height", 20) > 0;
}

void SListCtrl::DeleteAllItems() {
  rows_.clear();
  if (view_) view_->RowsCleared();
}

int SListCtrl::InsertItem(int index, const std::u16string& text, int) {
  index = std::clamp(index, 0, GetItemCount());
  std::vector<std::u16string> cells(std::max<size_t>(1, columns_.size()));
  cells[0] = text;
  rows_.insert(rows_.begin() + index, cells);
  if (view_) view_->RowInserted(index);
  return index;
}

bool SListCtrl::SetSubItemText(int row, int column, const std::u16string& text) {
  if (row < 0 || row >= GetItemCount() || column < 0 || column >= GetColumnCount()) return false;
  rows_[size_t(row)][size_t(column)] = text;
  if (view_) view_->CellChanged(row, column);
  return true;
}

std::u16string SListCtrl::GetSubItemText(int row, int column) const {
  if (row < 0 || row >= GetItemCount() || column < 0 || column >= GetColumnCount()) return std::u16string();
  return rows_[size_t(row)][size_t(column)];
}

int SListCtrl::GetColumnWidth(int column) const {
  if (column < 0 || column >= GetColumnCount()) return 0;
  return columns_[size_t(column)].width;
}

}  // namespace qv::ui
