// Time, console, program path and drive roots on Windows.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <iterator>

#include "engine/platform/platform.h"
#include "engine/platform/test_overrides.h"
#include "engine/platform/platform_win32.h"

namespace qv::platform {
namespace {

bool IsConsole(DWORD which) {
  HANDLE h = ::GetStdHandle(which);
  DWORD mode = 0;
  return h != nullptr && h != INVALID_HANDLE_VALUE && ::GetConsoleMode(h, &mode) != 0;
}

}  // namespace

// The module that holds this code: SCanVirus.dll when the engine runs as the DLL, the
// program itself when it is linked in. Either way the folder is where everything ships.
std::u16string ProgramPath() {
  if (auto pinned = detail::OverriddenProgramPath()) return *pinned;
  HMODULE module = nullptr;
  if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&ProgramPath), &module)) {
    module = nullptr;
  }
  for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
    std::wstring buffer(size, L'\0');
    const DWORD n = ::GetModuleFileNameW(module, buffer.data(), size);
    if (n == 0) return {};
    if (n < size) {
      buffer.resize(n);
      return win32::CallerForm(std::move(buffer));
    }
  }
  return {};
}

LocalTime Now() {
  if (auto pinned = detail::OverriddenClock()) return *pinned;
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

bool StdoutIsTerminal() { return IsConsole(STD_OUTPUT_HANDLE); }
bool StderrIsTerminal() { return IsConsole(STD_ERROR_HANDLE); }

std::optional<int16_t> ConsoleMaxWidth() {
  if (auto pinned = detail::OverriddenConsoleWidth()) return *pinned;
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!::GetConsoleScreenBufferInfo(::GetStdHandle(STD_OUTPUT_HANDLE), &info)) return std::nullopt;
  return static_cast<int16_t>(info.dwMaximumWindowSize.X);
}

std::optional<int> StderrTerminalWidth() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info)) return std::nullopt;
  const int width = info.srWindow.Right - info.srWindow.Left + 1;
  if (width <= 0) return std::nullopt;
  return width;
}

void SetConsoleColour(ConsoleColour colour) {
  if (!StdoutIsTerminal()) return;
  std::fflush(stdout);  // what was written so far keeps its colour
  ::SetConsoleTextAttribute(::GetStdHandle(STD_OUTPUT_HANDLE), static_cast<WORD>(colour));
}

void ConsoleWrite(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

namespace win32 {
std::vector<std::u16string> SelectLocalDrives(const std::vector<std::pair<std::u16string, unsigned>>& drives) {
  std::vector<std::u16string> roots;
  for (const auto& [root, type] : drives) {
    if (type == DRIVE_REMOVABLE || type == DRIVE_FIXED) roots.push_back(root);
  }
  return roots;
}
}  // namespace win32

std::vector<std::u16string> LocalDriveRoots() {
  // "A:\", "C:\", … each zero-terminated, the list ended by an empty string.
  wchar_t buffer[26 * 4 + 2] = {};
  const DWORD n = ::GetLogicalDriveStringsW(static_cast<DWORD>(std::size(buffer) - 1), buffer);
  if (n == 0 || n >= std::size(buffer)) return {};
  std::vector<std::pair<std::u16string, unsigned>> drives;
  for (const wchar_t* p = buffer; *p != 0 && p < buffer + n; p += wcslen(p) + 1) {
    drives.emplace_back(std::u16string(p, p + wcslen(p)), ::GetDriveTypeW(p));
  }
  return win32::SelectLocalDrives(drives);
}

// ---- AppendLog ---------------------------------------------------------------------------
// A text stream: "\n" is written as "\r\n".
bool AppendLog::Open(const std::u16string& path) {
  Close();
  const std::wstring wide = win32::LongPathForm(path);
  stream_ = ::_wfopen(wide.c_str(), L"a+t");
  return stream_ != nullptr;
}

}  // namespace qv::platform
