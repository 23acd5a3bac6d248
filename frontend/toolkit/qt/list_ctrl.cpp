#include "frontend/toolkit/qt/list_ctrl.h"

#include <QHeaderView>
#include <algorithm>

#include "frontend/toolkit/qt/application.h"

namespace qv::ui {

SListCtrl::SListCtrl(SHostWnd* host, QWidget* parent) : SWindow(host, parent), view_(new QTreeWidget(this)) {
  view_->setRootIsDecorated(false);
  view_->setIndentation(0);
  view_->setUniformRowHeights(true);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setFrameShape(QFrame::NoFrame);
  view_->setTextElideMode(Qt::ElideMiddle);
  view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  view_->header()->setStretchLastSection(false);
  view_->header()->setSectionsMovable(true);
  view_->header()->setDefaultAlignment(Qt::AlignCenter);
}

void SListCtrl::OnAttributes(const AttrReader& attrs) {
  view_->setFont(font_);
  rowHeight_ = std::clamp(attrs.IntOr("itemHeight", 20), 1, 1000);
  const bool hotTrack = attrs.IntOr("hotTrack", 0) != 0;
  const int scrollWidth = std::clamp(attrs.IntOr("sbWidth", 15), 4, 100);
  view_->setMouseTracking(hotTrack);
  view_->setStyleSheet(QString("QTreeView { background: #ffffff; color: #303030; outline: 0; }"
                               "QTreeView::item { height: %1px; border: none; padding-left: 4px; }"
                               "QTreeView::item:hover { background: %2; }"
                               "QTreeView::item:selected { background: #cfe2f8; color: #1a1a1a; }"
                               "QScrollBar:vertical { width: %3px; }"
                               "QScrollBar:horizontal { height: %3px; }")
                           .arg(rowHeight_)
                           .arg(hotTrack ? "#eaf3fd" : "transparent")
                           .arg(scrollWidth));
  if (attrs.IntOr("hscroll", 1) == 0) view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  const MarkupNode* header = attrs.Node().Child("header");
  QStringList titles;
  std::vector<int> widths;
  if (header) {
    for (const MarkupNode& item : header->children) {
      if (item.tag != "item") continue;
      titles << LayoutText(item.text);
      widths.push_back(std::clamp(item.IntAttrOr("width", 100), 0, 10000));
      const std::string align = item.AttrOr("align", "left");
      cellAlign_.push_back(Qt::AlignVCenter | (align == "center"  ? Qt::AlignHCenter
                                               : align == "right" ? Qt::AlignRight
                                                                  : Qt::AlignLeft));
    }
  }
  view_->setColumnCount(int(titles.size()));
  view_->setHeaderLabels(titles);
  for (size_t i = 0; i < widths.size(); ++i) view_->setColumnWidth(int(i), widths[i]);
  const int headerHeight = header ? header->IntAttrOr("height", 20) : 0;
  view_->setHeaderHidden(headerHeight <= 0);
  if (attrs.IntOr("sortable", 0) != 0) view_->header()->setSectionsClickable(true);
}

void SListCtrl::LayoutInner() { view_->setGeometry(rect()); }

void SListCtrl::DeleteAllItems() { view_->clear(); }

int SListCtrl::GetItemCount() const { return view_->topLevelItemCount(); }

int SListCtrl::InsertItem(int index, const QString& text, int) {
  index = std::clamp(index, 0, GetItemCount());
  auto* item = new QTreeWidgetItem();
  item->setText(0, text);
  item->setToolTip(0, text);
  for (int column = 0; column < int(cellAlign_.size()); ++column) item->setTextAlignment(column, cellAlign_[column]);
  view_->insertTopLevelItem(index, item);
  return index;
}

bool SListCtrl::SetSubItemText(int row, int column, const QString& text) {
  QTreeWidgetItem* item = view_->topLevelItem(row);
  if (!item || column < 0 || column >= GetColumnCount()) return false;
  item->setText(column, text);
  return true;
}

QString SListCtrl::GetSubItemText(int row, int column) const {
  const QTreeWidgetItem* item = view_->topLevelItem(row);
  if (!item || column < 0 || column >= GetColumnCount()) return QString();
  return item->text(column);
}

int SListCtrl::GetColumnCount() const { return view_->columnCount(); }

int SListCtrl::GetColumnWidth(int column) const { return view_->columnWidth(column); }

bool SListCtrl::IsHeaderVisible() const { return !view_->isHeaderHidden(); }

}  // namespace qv::ui
