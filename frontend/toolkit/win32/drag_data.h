// What a drag carries and where it is, as the Win32 backend delivers it: the file list of the
// drag's CF_HDROP data (read with DragQueryFileW), nothing else.
#pragma once

#include <string>
#include <vector>

namespace qv::ui {

struct DragData {
  bool hasFileList = false;          // the data offered CF_HDROP
  std::vector<std::u16string> files; // its paths, in the drag's order
};

struct DragPoint {
  int x = 0, y = 0;  // in the host window's client coordinates
};

// The local file and folder paths a drag carries, in its order (duplicates kept).
std::vector<std::u16string> DroppedFilePaths(const DragData* data);

// The paths of a CF_HDROP block (an HDROP: a DROPFILES header and its name list). Reads at
// most `maxFiles` names.
std::vector<std::u16string> PathsOfHDrop(void* hdrop, unsigned maxFiles = 100000);

}  // namespace qv::ui
