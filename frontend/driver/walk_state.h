// The driver's per-run record of the folders its walk has entered, and the path helpers both
// walks share.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
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
  // Streaming walk only: the run's file targets, and whether each has gone to the engine, so
  // that a file named as a target and met again by the walk (spelled alike) is scanned once.
  std::map<std::u16string, bool> fileTargets;

  // Whether the walk enters `folder` (complete, already known to be a folder): it is on the
  // run's drive when the run must stay there, it is no system pseudo folder, and it was not
  // entered before in this run. Records it as entered.
  bool Enters(const std::u16string& folder);
};

// Recursion guard beside the visit guard: deeper trees are not walked further.
inline constexpr unsigned kMaxFolderDepth = 2048;

inline constexpr char16_t kRecycleBin[] = u"$Recycle.Bin";

// Absolute and normalised ("." and ".." resolved by name, no trailing separator; a drive
// root keeps its own).
std::u16string CompletePath(const std::u16string& path);
// `name` inside the complete folder `folder` (a root already ends in its separator).
std::u16string ChildPath(const std::u16string& folder, std::u16string_view name);

}  // namespace qv::frontend
