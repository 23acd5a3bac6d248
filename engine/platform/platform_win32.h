// Win32-only helpers of the platform layer, shared by its Win32 sources and their tests.
#pragma once
#ifdef _WIN32

#include <string>
#include <utility>
#include <vector>

namespace qv::platform::win32 {

// The form of a path that the wide file calls accept at any length: paths shorter than the
// old MAX_PATH limit stay as they are; longer ones become absolute "\\?\C:\…" or
// "\\?\UNC\server\share\…" paths with "." and ".." resolved.
std::wstring LongPathForm(const std::u16string& path);
// The caller's form of a path the system returned: "\\?\" and "\\?\UNC\" taken off again.
std::u16string CallerForm(std::wstring path);

// Drive roots with their GetDriveTypeW answers → the removable and fixed ones, in order.
std::vector<std::u16string> SelectLocalDrives(const std::vector<std::pair<std::u16string, unsigned>>& drives);

}  // namespace qv::platform::win32

#endif
