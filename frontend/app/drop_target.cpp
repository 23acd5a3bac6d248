#include "frontend/app/drop_target.h"

#include "frontend/app/main_dlg.h"

namespace qv::gui {

long CTestDropTarget::Release() {
  const long count = --refCount_;
  if (count == 0) delete this;
  return count;
}

long CTestDropTarget::DragEnter(const ui::DragData*, uint32_t, ui::DragPoint, uint32_t* effect) {
  if (effect) *effect = ui::DROPEFFECT_LINK;
  return ui::S_OK;
}

long CTestDropTarget::DragOver(uint32_t, ui::DragPoint, uint32_t* effect) {
  if (effect) *effect = ui::DROPEFFECT_LINK;
  return ui::S_OK;
}

std::vector<std::u16string> LocalPathsOf(const ui::DragData* data) { return ui::DroppedFilePaths(data); }

CTestDropTarget1::CTestDropTarget1(ui::SWindow* editBox, CMainDlg* mainWindow)
    : editBox_(editBox ? editBox->GetSwnd() : 0), mainWindow_(mainWindow) {}

long CTestDropTarget1::Drop(const ui::DragData* data, uint32_t, ui::DragPoint, uint32_t* effect) {
  const std::vector<std::u16string> paths = LocalPathsOf(data);
  if (paths.empty()) return ui::S_FALSE;  // no file list: text, images, web links …
  std::set<std::u16string>& dropped = mainWindow_->DroppedPaths();
  dropped.clear();
  dropped.insert(paths.begin(), paths.end());
  if (editBox_ && mainWindow_->GetElement(editBox_)) mainWindow_->ScanDroppedPaths(&dropped);
  if (effect) *effect = ui::DROPEFFECT_LINK;
  return ui::S_OK;
}

}  // namespace qv::gui
