// The driver's per-run record of the folders its walk has entered.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "frontend/driver/scan_driver.h"

namespace qv::frontend {

// Links and junctions are followed, so the same real folder can be reached again (a link to
// an ancestor would otherwise recurse forever): each real folder is entered once per run.
struct ScanRunDriver::WalkState {
  std::set<std::pair<uint64_t, uint64_t>> visited;  // (device, inode) of every folder entered
  std::optional<uint64_t> device;  // set when the walk must stay on the target's drive
  // The real folders of the run's targets: a folder link leading outside all of them is not
  // followed unless the owner asked for it.
  std::vector<std::u16string> realRoots;
  // Devices already found to be ordinary file systems (not /proc, /sys, /dev and their kind).
  std::set<uint64_t> ordinaryDevices;
};

// Recursion guard beside the visit guard: deeper trees are not walked further.
inline constexpr unsigned kMaxFolderDepth = 2048;

}  // namespace qv::frontend
