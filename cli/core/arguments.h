// The command line of quorvane-scan.
#pragma once

#include <string>
#include <vector>

namespace qv::cli {

enum ExitCode { kExitClean = 0, kExitFound = 1, kExitError = 2 };

enum class Command { Help, Version, Scan, Restore, QuarantineList };

struct Arguments {
  Command command = Command::Help;
  bool repair = false;     // scan: quarantine, then repair or delete (default: report only)
  bool json = false;       // one JSON object per line
  bool allDrives = false;  // scan: every local removable and fixed drive
  bool followLinks = false;  // scan: also enter folder links that lead outside the given paths
  bool force = false;      // restore: replace an existing file at the destination
  std::string quarantine;  // --quarantine DIR: the quarantine folder (empty: the engine's rule)
  unsigned jobs = 0;       // scan --jobs N: documents scanned at once (0: one per processor)
  std::vector<std::string> operands;  // scan: paths; restore: copy and destination
};

struct ParseResult {
  bool ok = false;
  std::string error;  // what is wrong, when not ok
  Arguments arguments;
};

ParseResult ParseArguments(const std::vector<std::string>& args);  // without the program name

inline constexpr unsigned kMaxJobs = 256;  // --jobs above this is refused

extern const char kUsage[];
// The version quorvane-scan --version prints.
extern const char kVersionLine[];

}  // namespace qv::cli
