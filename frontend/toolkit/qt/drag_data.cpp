#include "frontend/toolkit/qt/drag_data.h"

#include <QDir>
#include <QUrl>

namespace qv::ui {

std::vector<std::u16string> DroppedFilePaths(const DragData* data) {
  std::vector<std::u16string> paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const QString path = QDir::toNativeSeparators(url.toLocalFile());
    if (!path.isEmpty()) paths.push_back(path.toStdU16String());
  }
  return paths;
}

}  // namespace qv::ui
