// The scanner's entry, called by the quorvane-scan launcher. No exception leaves it.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/core/arguments.h"
#include "cli/core/quarantine_commands.h"
#include "cli/core/scan_command.h"

namespace qv::cli {
namespace {

int Dispatch(const Arguments& arguments) {
  switch (arguments.command) {
    case Command::Help:
      std::fputs(kUsage, stdout);
      return kExitClean;
    case Command::Version:
      std::fputs(kVersionLine, stdout);
      return kExitClean;
    case Command::Scan: return RunScan(arguments);
    case Command::Restore: return RunRestore(arguments);
    case Command::QuarantineList: return RunQuarantineList(arguments);
  }
  return kExitError;
}

}  // namespace
}  // namespace qv::cli

extern "C" __attribute__((visibility("default"))) int QuorvaneCliMain(int argc, char** argv) {
  using namespace qv::cli;
  try {
    const ParseResult parsed = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.ok) {
      std::fprintf(stderr, "quorvane-scan: %s\n\n%s", parsed.error.c_str(), kUsage);
      return kExitError;
    }
    return Dispatch(parsed.arguments);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quorvane-scan: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "quorvane-scan: unexpected failure\n");
  }
  return kExitError;
}
