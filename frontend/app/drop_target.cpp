#include "frontend/app/drop_target.h"

#include <QDir>
#include <QUrl>

#include "frontend/app/main_dlg.h"

namespace qv::gui {

long CTestDropTarget::Release() {
  const long count = --refCount_;
  if (count == 0) delete this;
  return count;
}

long CTestDropTarget::DragEnter(const QMimeData*, uint32_t, QPoint, uint32_t* effect) {
  if (effect) *effect = ui::DROPEFFECT_LINK;
  return ui::S_OK;
}

long CTestDropTarget::DragOver(uint32_t, QPoint, uint32_t* effect) {
  if (effect) *effect = ui::DROPEFFECT_LINK;
  return ui::S_OK;
}

std::vector<std::u16string> LocalPathsOf(const QMimeData* data) {
  std::vector<std::u16string> paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const QString path = QDir::toNativeSeparators(url.toLocalFile());
    if (!path.isEmpty()) paths.push_back(path.toStdU16String());
  }
  return paths;
}

CTestDropTarget1::CTestDropTarget1(ui::SWindow* editBox, CMainDlg* mainWindow)
    : editBox_(editBox), mainWindow_(mainWindow) {}

long CTestDropTarget1::Drop(const QMimeData* data, uint32_t, QPoint, uint32_t* effect) {
  const std::vector<std::u16string> paths = LocalPathsOf(data);
  if (paths.empty()) return ui::S_FALSE;  // no file list: text, images, web links …
  std::set<std::u16string>& dropped = mainWindow_->DroppedPaths();
  dropped.clear();
  dropped.insert(paths.begin(), paths.end());
  if (editBox_) mainWindow_->ScanDroppedPaths(&dropped);
  if (effect) *effect = ui::DROPEFFECT_LINK;
  return ui::S_OK;
}

}  // namespace qv::gui
