// The search phase of the two-phase run: folder targets are walked with the file-system library
// and every file found goes into one ordered set. Also what both walks share: the path helpers,
// the visit guard and the setup of a target.
#include "engine/platform/platform.h"
#include "frontend/driver/scan_driver.h"
#include "frontend/driver/walk_filesystem.h"
#include "frontend/driver/walk_state.h"

namespace qv::frontend {
namespace {

namespace fs = walkfs::fs;
using platform::kSep;

}  // namespace

std::u16string CompletePath(const std::u16string& path) {
  std::u16string text = walkfs::FromFsPath(walkfs::SystemComplete(walkfs::ToFsPath(path)).lexically_normal());
  while (text.size() > 1 && (text.back() == kSep || (text.back() == u'.' && text[text.size() - 2] == kSep))) {
#ifdef _WIN32
    if (text.back() == kSep && text[text.size() - 2] == u':') break;  // a drive root keeps its separator
#endif
    text.pop_back();
  }
  return text;
}

std::u16string ChildPath(const std::u16string& folder, std::u16string_view name) {
  std::u16string child = folder;
  if (folder.empty() || folder.back() != kSep) child += kSep;
  child += name;
  return child;
}

bool ScanRunDriver::WalkState::Enters(const std::u16string& folder) {
  const auto identity = platform::FileIdentity(folder);
  if (!identity) return !platform::IsSystemPseudoFolder(folder);
  // The all-drives run walks every local drive as its own target: another device met
  // below a drive (pseudo file systems, other drives) is not entered from here.
  if (device && identity->first != *device) return false;
  // /proc (through /proc/<pid>/cwd the whole file system again), /sys and /dev are never
  // walked; each file system is asked once.
  if (ordinaryDevices.count(identity->first) == 0) {
    if (platform::IsSystemPseudoFolder(folder)) return false;
    ordinaryDevices.insert(identity->first);
  }
  return visited.insert(*identity).second;
}

void ScanRunDriver::BeginTarget(const std::u16string& dir, WalkState& walk) const {
  if (stayOnDevice_) {
    const auto identity = platform::FileIdentity(dir);
    walk.device = identity ? std::optional<uint64_t>(identity->first) : std::nullopt;
  }
  const std::u16string real = platform::RealPath(CompletePath(dir));
  if (!real.empty()) walk.realRoots.push_back(real);
}

bool ScanRunDriver::FollowsInto(const std::u16string& folder, const WalkState& walk) const {
  if (followFolderLinks_ || !platform::IsLink(folder)) return true;
  for (const auto& root : walk.realRoots) {
    if (platform::IsAtOrBelow(folder, root)) return true;
  }
  return false;
}

void ScanRunDriver::SearchTarget(bool& firstFolder, const std::u16string& path) {
  if (path.empty()) return;
  try {
    if (firstFolder) {
      if (!Notify(&ScanObserver::OnSearching) || !Notify(&ScanObserver::OnSearchTimer, true)) return;
      firstFolder = false;
    }
    SearchDirectory(&m_setFiles, path);
  } catch (const std::exception& e) {
    if (!stopRequested_.load()) observer_.OnSearchError(path, e.what());
  } catch (...) {
    // a fault ends this target only
  }
}

void ScanRunDriver::SearchDirectory(std::set<std::u16string>* set, const std::u16string& dir) {
  if (set == nullptr || dir.empty()) return;
  WalkState single;
  WalkState& walk = walk_ != nullptr ? *walk_ : single;
  BeginTarget(dir, walk);
  SearchDirectoryIn(*set, dir, walk, 0);
}

void ScanRunDriver::SearchDirectoryIn(std::set<std::u16string>& set, const std::u16string& dir,
                                      WalkState& walk, unsigned depth) {
  if (dir.empty() || depth > kMaxFolderDepth || stopRequested_.load()) return;
  const std::u16string full = CompletePath(dir);
  const fs::file_status status = fs::status(walkfs::ToFsPath(full));  // throws when the status cannot be read
  if (walkfs::IsUnreadable(status.type())) return;
  if (!fs::is_directory(status)) return;
  if (!walk.Enters(full)) return;

  // Opening the folder may throw: the caller's handler (or the target's guard) takes it.
  fs::directory_iterator it(walkfs::ToFsPath(full));
  const fs::directory_iterator end;
  while (it != end) {
    if (stopRequested_.load()) return;
    try {
      const std::u16string name = walkfs::FromFsPath(it->path().filename());
      const std::u16string child = ChildPath(full, name);
      const fs::file_status entry = fs::status(walkfs::ToFsPath(child));  // follows links
      if (fs::is_directory(entry)) {
        if (name != kRecycleBin && FollowsInto(child, walk)) SearchDirectoryIn(set, child, walk, depth + 1);
      } else if (!platform::IsSpecialFile(child)) {
        set.insert(CompletePath(child));
      }
    } catch (const std::exception& e) {
      if (!stopRequested_.load()) observer_.OnSearchError(full, e.what());
    }
    ++it;  // a failing advance abandons the rest of this folder (the caller goes on)
  }
}

}  // namespace qv::frontend
