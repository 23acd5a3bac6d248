// What a drag carries and where it is, as Qt delivers it.
#pragma once

#include <QMimeData>
#include <QPoint>
#include <string>
#include <vector>

namespace qv::ui {

using DragData = QMimeData;
using DragPoint = QPoint;  // in the host window's coordinates

// The local file and folder paths a drag carries, in its order (duplicates kept), with the
// platform's separators.
std::vector<std::u16string> DroppedFilePaths(const DragData* data);

}  // namespace qv::ui
