// SListCtrl: a list of rows with text cells, over a QTreeWidget. Columns come from the
// element's `header` (an `item` per column with its `width` and title).
#pragma once

#include <QTreeWidget>
#include <vector>

#include "frontend/toolkit/qt/swindow.h"

namespace qv::ui {

class SListCtrl : public SWindow {
 public:
  SListCtrl(SHostWnd* host, QWidget* parent);

  void DeleteAllItems();
  int GetItemCount() const;
  // Inserts a row at `index` (clamped to the end) whose first cell is `text`; answers the
  // row's index. `image` -1 means no image.
  int InsertItem(int index, const QString& text, int image = -1);
  bool SetSubItemText(int row, int column, const QString& text);
  // The same with UTF-16 texts (the application layer's strings).
  int InsertItem(int index, const std::u16string& text, int image = -1) {
    return InsertItem(index, QString::fromStdU16String(text), image);
  }
  bool SetSubItemText(int row, int column, const std::u16string& text) {
    return SetSubItemText(row, column, QString::fromStdU16String(text));
  }
  QString GetSubItemText(int row, int column) const;
  int GetColumnCount() const;
  int GetColumnWidth(int column) const;
  int GetRowHeight() const { return rowHeight_; }
  bool IsHeaderVisible() const;
  QTreeWidget* View() const { return view_; }

 protected:
  void OnAttributes(const AttrReader& attrs) override;
  bool IsDataTag(std::string_view tag) const override { return tag == "header"; }
  void LayoutInner() override;
  void DrawContent(QPainter&) override {}

 private:
  QTreeWidget* view_;
  int rowHeight_ = 20;
  std::vector<Qt::Alignment> cellAlign_;  // per column, from the header item's `align`
};

}  // namespace qv::ui
