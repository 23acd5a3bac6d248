// The GUI program on Windows: the application object's start-up and shutdown around the
// message loop. The program folder is the folder of the executable.
#include <filesystem>
#include <string>

#include "frontend/app/quorvane_app.h"
#include <windows.h>  // after the toolkit's headers: its macros must not touch their names

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::wstring module(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, module.data(), DWORD(module.size()));
  module.resize(length);
  qv::gui::AppOptions options;
  options.programDir = std::filesystem::path(module).parent_path();
  qv::gui::CQuorvaneApp app;
  return app.InitInstance(options);
}
