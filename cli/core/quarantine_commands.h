// quorvane-scan restore / quarantine list.
#pragma once

#include "cli/core/arguments.h"

namespace qv::cli {

int RunRestore(const Arguments& arguments);
int RunQuarantineList(const Arguments& arguments);

}  // namespace qv::cli
