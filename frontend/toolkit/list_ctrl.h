// SListCtrl: a list of rows with text cells, the same on every backend. Columns come from
// the element's `header` (an `item` per column with its `width`, `align` and title). The rows
// are kept here, so the list answers without a window; the backend's view (a tree widget, a
// ListView) shows them and is told of every change.
#pragma once

#include <vector>

#include "frontend/toolkit/swindow.h"

namespace qv::ui {

class SListCtrl : public SWindow {
 public:
  struct Column {
    std::u16string title;
    int width = 100;
    int align = kAlignLeft;
  };
  using SWindow::SWindow;

  void DeleteAllItems();
  int GetItemCount() const { return int(rows_.size()); }
  // Inserts a row at `index` (clamped to the end) whose first cell is `text`; answers the
  // row's index. `image` -1 means no image.
  int InsertItem(int index, const std::u16string& text, int image = -1);
  bool SetSubItemText(int row, int column, const std::u16string& text);
  std::u16string GetSubItemText(int row, int column) const;
  int GetColumnCount() const { return int(columns_.size()); }
  int GetColumnWidth(int column) const;
  const std::vector<Column>& Columns() const { return columns_; }
  int GetRowHeight() const { return rowHeight_; }
  bool IsHeaderVisible() const { return headerVisible_; }
  bool HotTracks() const { return hotTrack_; }
  bool ScrollsHorizontally() const { return hscroll_; }
  bool IsSortable() const { return sortable_; }
  int ScrollBarWidth() const { return scrollBarWidth_; }
  // The native control that shows the rows (a QTreeWidget*, an HWND); nullptr before the
  // backend made it.
  void* NativeView() const { return view_ ? view_->Native() : nullptr; }
  bool DragsWindow() const override { return false; }

 protected:
  void OnAttributes(const AttrReader& attrs) override;
  bool IsDataTag(std::string_view tag) const override { return tag == "header"; }
  void DrawContent(Painter&) override {}

 private:
  std::vector<Column> columns_;
  std::vector<std::vector<std::u16string>> rows_;
  int rowHeight_ = 20;
  int scrollBarWidth_ = 15;
  bool headerVisible_ = false;
  bool hotTrack_ = false;
  bool hscroll_ = true;
  bool sortable_ = false;
};

}  // namespace qv::ui
