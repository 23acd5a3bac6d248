// quorvane-scan scan: the scan run driver over the engine, one line per finding.
#pragma once

#include "cli/core/arguments.h"
#include "engine/include/scan_engine.h"

namespace qv::cli {

int RunScan(const Arguments& arguments);

// Why the engine cannot be used, in words for the user ("" when it can). `quarantine` is the
// folder named with --quarantine (empty: the engine's own rule).
std::string EngineProblem(qv::api::Status status, const std::string& quarantine);

}  // namespace qv::cli
