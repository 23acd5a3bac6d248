#include <windows.h>

#include <atomic>
#include <cstdlib>

#include "cli/core/terminal.h"
#include "engine/platform/platform.h"

namespace qv::cli {
namespace {

std::atomic<bool> g_interrupted{false};
UINT g_oldOutputCodePage = 0;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
    g_interrupted.store(true);
    return TRUE;  // handled: the run stops by itself
  }
  return FALSE;
}

void RestoreCodePage() {
  if (g_oldOutputCodePage != 0) ::SetConsoleOutputCP(g_oldOutputCodePage);
}

}  // namespace

int TerminalWidth() { return platform::StderrTerminalWidth().value_or(80); }

// quorvane-scan writes UTF-8 everywhere (console, pipes, files), so that every path prints
// whatever the ANSI code page; the console's own code page comes back at exit.
void PrepareConsole() {
  if (g_oldOutputCodePage == 0 && ::GetConsoleOutputCP() != CP_UTF8) {
    g_oldOutputCodePage = ::GetConsoleOutputCP();
    if (g_oldOutputCodePage != 0 && ::SetConsoleOutputCP(CP_UTF8)) {
      std::atexit(RestoreCodePage);
    } else {
      g_oldOutputCodePage = 0;
    }
  }
  HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (::GetConsoleMode(err, &mode)) ::SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

InterruptWatch::InterruptWatch() {
  g_interrupted.store(false);
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

InterruptWatch::~InterruptWatch() { ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE); }

bool InterruptWatch::Requested() { return g_interrupted.load(); }
const std::atomic<bool>* InterruptWatch::Flag() { return &g_interrupted; }

}  // namespace qv::cli
