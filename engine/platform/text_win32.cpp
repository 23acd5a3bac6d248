// Narrow text on Windows is the ANSI code page (CP_ACP); characters it lacks become '?'.
#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "engine/platform/platform.h"
#include "engine/platform/platform_win32.h"

namespace qv::platform {

std::string ToNarrow(std::u16string_view text) {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int units = static_cast<int>(std::min<size_t>(text.size(), INT32_MAX / 4));
  const int n = ::WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, "?", nullptr);
  if (n <= 0) return std::string(text.size(), '?');
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide, units, out.data(), n, "?", nullptr);
  return out;
}

std::u16string FromNarrow(std::string_view text) {
  if (text.empty()) return {};
  const int bytes = static_cast<int>(std::min<size_t>(text.size(), INT32_MAX / 4));
  const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), bytes, nullptr, 0);
  if (n <= 0) return std::u16string(text.size(), u'?');
  std::u16string out(static_cast<size_t>(n), u'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), bytes, reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

namespace win32 {

std::wstring LongPathForm(const std::u16string& path) {
  std::wstring wide(path.begin(), path.end());
  // CreateDirectoryW stops at MAX_PATH - 12 (room for an 8.3 name); the file calls at MAX_PATH.
  if (wide.size() < MAX_PATH - 12 || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  const DWORD need = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (need == 0) return wide;
  std::wstring full(need, L'\0');
  const DWORD got = ::GetFullPathNameW(wide.c_str(), need, full.data(), nullptr);
  if (got == 0 || got >= need) return wide;
  full.resize(got);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::u16string CallerForm(std::wstring path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    path = L"\\\\" + path.substr(8);
  } else if (path.rfind(L"\\\\?\\", 0) == 0) {
    path = path.substr(4);
  }
  return std::u16string(path.begin(), path.end());
}

}  // namespace win32
}  // namespace qv::platform
