// SListCtrl: a list of rows with text cells, shown by the common ListView control in report
// view. Columns come from the element's `header` (an `item` per column with its `width`,
// `align` and title). The rows are also kept here, so the list answers without a window.
#pragma once

#include <vector>

#include "frontend/toolkit/win32/swindow.h"

namespace qv::ui {

class SListCtrl : public SWindow {
 public:
  SListCtrl(SHostWnd* host, SWindow* parent);
  ~SListCtrl() override;

  void DeleteAllItems();
  int GetItemCount() const { return int(rows_.size()); }
  // Inserts a row at `index` (clamped to the end) whose first cell is `text`; answers the
  // row's index. `image` -1 means no image.
  int InsertItem(int index, const std::u16string& text, int image = -1);
  bool SetSubItemText(int row, int column, const std::u16string& text);
  std::u16string GetSubItemText(int row, int column) const;
  int GetColumnCount() const { return int(columns_.size()); }
  int GetColumnWidth(int column) const;
  int GetRowHeight() const { return rowHeight_; }
  bool IsHeaderVisible() const { return headerVisible_; }
  // The ListView (an HWND), made once the host window exists; nullptr before.
  void* View() const { return view_; }
  void CreateView();
  bool DragsWindow() const override { return false; }
  void OnVisibleChanged() override;

 protected:
  void OnAttributes(const AttrReader& attrs) override;
  bool IsDataTag(std::string_view tag) const override { return tag == "header"; }
  void LayoutInner() override;
  void DrawContent(Canvas&) override {}

 private:
  struct Column {
    std::u16string title;
    int width = 100;
    int align = 0;  // 0 left, 1 centre, 2 right
  };
  std::vector<Column> columns_;
  std::vector<std::vector<std::u16string>> rows_;
  int rowHeight_ = 20;
  bool headerVisible_ = false;
  void* view_ = nullptr;
  void* rowHeightImages_ = nullptr;  // an empty image list that sets the row height
};

}  // namespace qv::ui
