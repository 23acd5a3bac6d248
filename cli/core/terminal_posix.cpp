#include <signal.h>

#include <atomic>

#include "cli/core/terminal.h"
#include "engine/platform/platform.h"

namespace qv::cli {
namespace {

std::atomic<bool> g_interrupted{false};
struct sigaction g_oldInt {}, g_oldTerm {};
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
}

InterruptWatch::~InterruptWatch() {
  ::sigaction(SIGINT, &g_oldInt, nullptr);
  ::sigaction(SIGTERM, &g_oldTerm, nullptr);
}

bool InterruptWatch::Requested() { return g_interrupted.load(); }
const std::atomic<bool>* InterruptWatch::Flag() { return &g_interrupted; }

}  // namespace qv::cli
