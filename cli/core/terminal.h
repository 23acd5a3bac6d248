// What the command line needs from the terminal it runs in, one implementation per platform
// (terminal_posix.cpp, terminal_win32.cpp): its width (asked through engine/platform, like
// every file and terminal query of the front ends), Ctrl-C, and UTF-8 output.
#pragma once

#include <atomic>

namespace qv::cli {

// The width of the terminal on standard error (80 when unknown).
int TerminalWidth();

// Makes the console show the UTF-8 that quorvane-scan writes, and understand the escape
// that clears the progress line. Nothing to do on POSIX terminals.
void PrepareConsole();

// While one exists, Ctrl-C, termination and a hang-up (SIGINT, SIGTERM, SIGHUP; on Windows
// the console's Ctrl-C, Ctrl-Break, close, log-off and shut-down events) only set a flag, so
// that the run stops after the document in hand, never inside a repair.
class InterruptWatch {
 public:
  InterruptWatch();
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;
  static bool Requested();
  // The flag itself, for work that checks it between steps (a package rebuild).
  static const std::atomic<bool>* Flag();
};

}  // namespace qv::cli
