// quorvane-scan.exe: the scanner and the engine are linked in (the engine DLL exports only
// its two C functions). The command line is taken in UTF-16 and handed on in UTF-8, so that
// paths outside the ANSI code page arrive whole.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "engine/platform/platform.h"

extern "C" int QuorvaneCliMain(int argc, char** argv);

int main() {
  int argc = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (wide == nullptr) return 2;
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) {
    const std::wstring arg(wide[i]);
    args.push_back(qv::platform::ToUtf8(std::u16string(arg.begin(), arg.end())));
  }
  ::LocalFree(wide);
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return QuorvaneCliMain(argc, argv.data());
}
