// The driver's per-run record of the folders its walk has entered.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <utility>

#include "frontend/driver/scan_driver.h"

namespace qv::frontend {

// Links and junctions are followed, so the same real folder can be reached again (a link to
// an ancestor would otherwise recurse forever): each real folder is entered once per run.
struct ScanRunDriver::WalkState {
  std::set<std::pair<uint64_t, uint64_t>> visited;  // (device, inode) of every folder entered
  std::optional<uint64_t> device;  // set when the walk must stay on the target's drive
};

// Recursion guard beside the visit guard: deeper trees are not walked further.
inline constexpr unsigned kMaxFolderDepth = 2048;

}  // namespace qv::frontend
