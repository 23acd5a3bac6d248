// Per-user folders on Windows: the quarantine stays beside the program there, so there is no
// user data folder; folder creation walks down the path with CreateDirectoryW.
#include <windows.h>

#include "engine/platform/platform.h"
#include "engine/platform/platform_win32.h"

namespace qv::platform {

bool CanCreateFilesIn(const std::u16string& folder) {
  if (folder.empty() || GetPathKind(folder) != PathKind::Folder) return false;
  // Attributes do not tell whether this user may write there: try a file of our own.
  std::u16string probe = folder;
  if (probe.back() != u'\\' && probe.back() != u'/') probe.push_back(u'\\');
  probe += u"quorvane-write-probe.tmp";
  const std::wstring path = win32::LongPathForm(probe);
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_EXISTS;
  ::CloseHandle(h);
  return true;
}

std::u16string UserDataFolder() { return {}; }

bool CreatePrivateFolderTree(const std::u16string& path) {
  if (path.empty()) return false;
  // Walk down from the drive, making each missing folder; one made by someone else meanwhile
  // is fine.
  for (size_t cut = path.find_first_of(u"\\/", 3);; cut = path.find_first_of(u"\\/", cut + 1)) {
    const std::u16string part = cut == std::u16string::npos ? path : path.substr(0, cut);
    if (!part.empty() && GetPathKind(part) != PathKind::Folder) CreateFolder(part);
    if (cut == std::u16string::npos) break;
  }
  return GetPathKind(path) == PathKind::Folder;
}

}  // namespace qv::platform
