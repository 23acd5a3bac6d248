#include <windows.h>

#include <atomic>
#include <cstdlib>

#include "cli/core/terminal.h"
#include "engine/platform/platform.h"

namespace qv::cli {
namespace {

std::atomic<bool> g_interrupted{false};
UINT g_oldOutputCodePage = 0;
HANDLE g_runEnded = nullptr;  // set when the InterruptWatch ends: the document in hand is done
// Windows ends the process this long after a close, log-off or shut-down event at the latest.
constexpr DWORD kEndingGraceMilliseconds = 4500;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      g_interrupted.store(true);
      return TRUE;  // handled: the run stops by itself
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // The process ends when this handler returns: first let the document in hand finish.
      g_interrupted.store(true);
      if (g_runEnded != nullptr) ::WaitForSingleObject(g_runEnded, kEndingGraceMilliseconds);
      return TRUE;
    default:
      return FALSE;
  }
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
  if (g_runEnded == nullptr) g_runEnded = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (g_runEnded != nullptr) ::ResetEvent(g_runEnded);
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

InterruptWatch::~InterruptWatch() {
  if (g_runEnded != nullptr) ::SetEvent(g_runEnded);
  ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

bool InterruptWatch::Requested() { return g_interrupted.load(); }
const std::atomic<bool>* InterruptWatch::Flag() { return &g_interrupted; }

}  // namespace qv::cli
