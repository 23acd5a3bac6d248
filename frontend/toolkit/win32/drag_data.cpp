#include "frontend/toolkit/win32/drag_data.h"

#include "frontend/toolkit/win32/system_headers.h"

namespace qv::ui {

std::vector<std::u16string> DroppedFilePaths(const DragData* data) {
  if (!data || !data->hasFileList) return {};
  std::vector<std::u16string> paths;
  for (const std::u16string& path : data->files) {
    if (!path.empty()) paths.push_back(path);
  }
  return paths;
}

std::vector<std::u16string> PathsOfHDrop(void* hdrop, unsigned maxFiles) {
  std::vector<std::u16string> paths;
  HDROP drop = static_cast<HDROP>(hdrop);
  if (!drop) return paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count && i < maxFiles; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    if (length == 0) continue;
    std::u16string path(length + 1, u'\0');
    const UINT copied = DragQueryFileW(drop, i, reinterpret_cast<LPWSTR>(path.data()), length + 1);
    path.resize(copied);
    if (!path.empty()) paths.push_back(std::move(path));
  }
  return paths;
}

}  // namespace qv::ui
