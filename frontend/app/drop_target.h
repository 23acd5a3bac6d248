// The drop target of the drop box: files and folders dragged from a file manager onto
// `edit_drop_top` start a scan run on exactly those paths. Any data shows the link cursor
// while it is dragged; only a list of local files and folders is taken on release.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "frontend/toolkit/drop_target.h"
#include "frontend/toolkit/swindow.h"

namespace qv::gui {

class CMainDlg;

// Reference counting and the link cursor; what a drop does is the derived class's.
class CTestDropTarget : public ui::IDropTarget {
 public:
  long AddRef() override { return ++refCount_; }
  long Release() override;
  long DragEnter(const ui::DragData* data, uint32_t keyState, ui::DragPoint point, uint32_t* effect) override;
  long DragOver(uint32_t keyState, ui::DragPoint point, uint32_t* effect) override;
  long DragLeave() override { return ui::S_OK; }

 protected:
  ~CTestDropTarget() override = default;

 private:
  long refCount_ = 0;  // used on the window's thread only
};

class CTestDropTarget1 : public CTestDropTarget {
 public:
  // `editBox` is the drop box, `mainWindow` where the dropped names go.
  CTestDropTarget1(ui::SWindow* editBox, CMainDlg* mainWindow);
  // S_FALSE (nothing changes) when the data holds no local files or folders; otherwise the
  // distinct names replace the window's dropped set and a scan run starts on them.
  long Drop(const ui::DragData* data, uint32_t keyState, ui::DragPoint point, uint32_t* effect) override;

 private:
  ui::SWND editBox_;  // looked up again at each drop: the element may have gone first
  CMainDlg* mainWindow_;
};

// The local file and folder paths a drag carries, in its order (duplicates kept).
std::vector<std::u16string> LocalPathsOf(const ui::DragData* data);

}  // namespace qv::gui
