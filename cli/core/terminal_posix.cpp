#include <signal.h>

#include <atomic>

#include "cli/core/terminal.h"
#include "engine/platform/platform.h"

namespace qv::cli {
namespace {

std::atomic<bool> g_interrupted{false};
struct sigaction g_oldInt {}, g_oldTerm {}, g_oldHup {}, g_oldPipe {};
extern "C" void OnInterrupt(int) { g_interrupted.store(true); }

}  // namespace

int TerminalWidth() { return platform::StderrTerminalWidth().value_or(80); }

void PrepareConsole() {}

InterruptWatch::InterruptWatch() {
  g_interrupted.store(false);
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, &g_oldInt);
  ::sigaction(SIGTERM, &action, &g_oldTerm);
  ::sigaction(SIGHUP, &action, &g_oldHup);  // a dropped ssh session or a closed terminal
  // A reader that went away (a pipe to a closed pager) makes writes fail instead of ending
  // the process in the middle of a document.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGPIPE, &ignore, &g_oldPipe);
}

InterruptWatch::~InterruptWatch() {
  ::sigaction(SIGINT, &g_oldInt, nullptr);
  ::sigaction(SIGTERM, &g_oldTerm, nullptr);
  ::sigaction(SIGHUP, &g_oldHup, nullptr);
  ::sigaction(SIGPIPE, &g_oldPipe, nullptr);
}

bool InterruptWatch::Requested() { return g_interrupted.load(); }
const std::atomic<bool>* InterruptWatch::Flag() { return &g_interrupted; }

}  // namespace qv::cli
