// quorvane-scan scan: the scan run driver over the engine, one line per finding.
#pragma once

#include "cli/core/arguments.h"
#include "engine/include/scan_engine.h"

namespace qv::cli {

int RunScan(const Arguments& arguments);

// Why the engine cannot be used, in words for the user ("" when it can).
std::string EngineProblem(qv::api::Status status);

}  // namespace qv::cli
