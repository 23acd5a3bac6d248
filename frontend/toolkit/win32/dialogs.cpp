// The folder chooser (SHBrowseForFolderW), the file dialogs of the restore flow
// (GetOpenFileNameW/GetSaveFileNameW) and fatal start-up errors in a message box.
#include "frontend/toolkit/dialogs.h"

#include <cstdio>
#include <vector>

#include "frontend/toolkit/win32/application.h"
#include "frontend/toolkit/win32/host_wnd.h"
#include "frontend/toolkit/win32/system_headers.h"

namespace qv::ui {
namespace {

LPCWSTR W(const std::u16string& text) { return reinterpret_cast<LPCWSTR>(text.c_str()); }

// "label (*.a *.b)" as the dialogs' double-zero-terminated list "label\0*.a;*.b\0\0"; a lone
// "*" pattern is every file ("*.*").
std::u16string FilterList(const std::u16string& filter) {
  std::u16string label = filter, patterns = u"*.*";
  const size_t open = filter.rfind(u'(');
  const size_t close = filter.rfind(u')');
  if (open != std::u16string::npos && close != std::u16string::npos && close > open) {
    label = filter.substr(0, open);
    while (!label.empty() && label.back() == u' ') label.pop_back();
    patterns.clear();
    std::u16string inner = filter.substr(open + 1, close - open - 1);
    size_t start = 0;
    while (start <= inner.size()) {
      size_t end = inner.find(u' ', start);
      if (end == std::u16string::npos) end = inner.size();
      std::u16string one = inner.substr(start, end - start);
      if (one == u"*") one = u"*.*";
      if (!one.empty()) patterns += (patterns.empty() ? u"" : u";") + one;
      start = end + 1;
    }
    if (patterns.empty()) patterns = u"*.*";
  }
  std::u16string list = label + u'\0' + patterns + u'\0';
  list.push_back(u'\0');
  return list;
}

std::optional<std::u16string> RunFileDialog(const FileDialogRequest& request, bool save) {
  std::vector<wchar_t> buffer(32768, L'\0');
  for (size_t i = 0; i < request.initialName.size() && i + 1 < buffer.size(); ++i) buffer[i] = wchar_t(request.initialName[i]);
  const std::u16string filter = FilterList(request.filter);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = GetActiveWindow();
  ofn.lpstrFilter = reinterpret_cast<LPCWSTR>(filter.c_str());
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = DWORD(buffer.size());
  ofn.lpstrInitialDir = request.initialDir.empty() ? nullptr : W(request.initialDir);
  ofn.lpstrTitle = W(request.title);
  ofn.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
              (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  const BOOL chosen = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  if (!chosen) return std::nullopt;
  return std::u16string(reinterpret_cast<const char16_t*>(buffer.data()));
}

}  // namespace

std::optional<std::u16string> ChooseFolderDialog(SHostWnd* owner, const std::u16string& title) {
  wchar_t path[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = owner ? static_cast<HWND>(owner->Hwnd()) : nullptr;
  info.lpszTitle = W(title);
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&info);
  if (!list) return std::nullopt;
  const BOOL ok = SHGetPathFromIDListW(list, path);
  CoTaskMemFree(list);
  if (!ok || path[0] == L'\0') return std::nullopt;
  return std::u16string(reinterpret_cast<const char16_t*>(path));
}

std::optional<std::u16string> OpenFileDialog(const FileDialogRequest& request) { return RunFileDialog(request, false); }

std::optional<std::u16string> SaveFileDialog(const FileDialogRequest& request) { return RunFileDialog(request, true); }

std::u16string DesktopFolder() {
  wchar_t path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, path, CSIDL_DESKTOPDIRECTORY, FALSE)) return std::u16string();
  return std::u16string(reinterpret_cast<const char16_t*>(path));
}

void ReportFatalError(const std::u16string& title, const std::u16string& message) {
  std::fprintf(stderr, "%s: %s\n", Utf8Of(title).c_str(), Utf8Of(message).c_str());
  std::fflush(stderr);
  if (GetEnvironmentVariableW(L"QUORVANE_NO_MESSAGE_BOX", nullptr, 0) == 0) {
    MessageBoxW(nullptr, W(message), W(title), MB_OK | MB_ICONERROR);
  }
}

}  // namespace qv::ui
