// The streaming run: folder targets are walked depth-first and every file goes to the engine
// as soon as the walk reaches it. Nothing grows with the number of files: the walk holds the
// sorted listing of each folder on its current path (one buffer of names each), the current
// path itself and the visit guard of folders.
#include <vector>

#include "engine/platform/platform.h"
#include "frontend/driver/folder_listing.h"
#include "frontend/driver/scan_driver.h"
#include "frontend/driver/walk_filesystem.h"
#include "frontend/driver/walk_state.h"

namespace qv::frontend {
namespace {

namespace fs = walkfs::fs;

// The system's reason alone ("Permission denied"), without the library's decoration.
std::string Reason(const std::exception& e) {
  if (const auto* fsError = dynamic_cast<const walkfs::filesystem_error*>(&e)) return fsError->code().message();
  return e.what();
}

// One folder of the current path: where its path ends in the walk's path buffer, its sorted
// entries and the next entry to visit.
struct OpenFolder {
  size_t pathLength = 0;
  FolderListing listing;
  size_t next = 0;
};

}  // namespace

void ScanRunDriver::RunStreaming() {
  m_setFiles.clear();
  m_nDetected.store(0);
  m_nRepaired.store(0);
  WalkState walk;
  for (const ScanTarget& target : m_lstTargets) {
    if (target.isFile) walk.fileTargets.emplace(target.path, false);
  }
  for (const ScanTarget& target : m_lstTargets) {
    if (stopRequested_.load()) return;
    if (!target.isFile) {
      StreamTarget(target.path, walk);
      continue;
    }
    bool& handed = walk.fileTargets[target.path];
    if (handed) continue;  // the walk of a folder target met it already
    handed = true;
    if (!HandOver(target.path)) return;
  }
  if (!Notify(&ScanObserver::OnFinish)) return;
  const int files = m_nFiles.load(), detected = m_nDetected.load(), repaired = m_nRepaired.load();
  Notify(&ScanObserver::OnSummary, FormatSummary(files, detected, repaired), files, detected, repaired);
}

void ScanRunDriver::StreamTarget(const std::u16string& path, WalkState& walk) {
  if (path.empty()) return;
  try {
    BeginTarget(path, walk);
    WalkStreaming(path, walk);
  } catch (const std::exception& e) {
    // the target itself cannot be read: it ends, the run goes on with the next one
    if (!stopRequested_.load()) observer_.OnSearchError(path, Reason(e));
  } catch (...) {
  }
}

namespace {

// Lists `folder` into `listing`, sorted. Throws when the folder cannot be opened; a failure
// while reading it ends the listing there: what was read is kept and walked, and the
// failure goes to `report`.
template <typename Report>
void ListFolder(const std::u16string& folder, FolderListing& listing, const std::atomic<bool>& stop,
                Report report) {
  fs::directory_iterator it(walkfs::ToFsPath(folder));
  const fs::directory_iterator end;
  walkfs::error_code ec;
  while (it != end && !stop.load()) {
    if (!listing.Add(walkfs::FromFsPath(it->path().filename()))) {
      report("too many names in one folder; the rest of it is not walked");
      break;
    }
    it.increment(ec);
    if (ec) {
      report(ec.message());
      break;
    }
  }
  listing.Sort();
}

}  // namespace

void ScanRunDriver::WalkStreaming(const std::u16string& dir, WalkState& walk) {
  if (dir.empty() || stopRequested_.load()) return;
  std::vector<OpenFolder> levels;
  std::u16string path;  // the folder of the innermost open level
  // Enters `folder` (complete) when the walk may: a folder, on the run's drive when it must
  // stay there, no system pseudo folder, not entered before. Reading its status or opening
  // it may throw (the caller's handler takes it).
  const auto enter = [&](const std::u16string& folder) {
    const fs::file_status status = fs::status(walkfs::ToFsPath(folder));
    if (walkfs::IsUnreadable(status.type()) || !fs::is_directory(status) || !walk.Enters(folder)) return;
    OpenFolder level;
    level.pathLength = folder.size();
    ListFolder(folder, level.listing, stopRequested_, [&](std::string_view what) {
      if (!stopRequested_.load()) observer_.OnSearchError(folder, what);
    });
    levels.push_back(std::move(level));
    path = folder;
  };
  enter(CompletePath(dir));

  while (!levels.empty()) {
    if (stopRequested_.load()) return;
    OpenFolder& level = levels.back();
    if (level.next == level.listing.size()) {
      levels.pop_back();
      if (!levels.empty()) path.resize(levels.back().pathLength);
      continue;
    }
    const std::u16string name(level.listing[level.next++]);
    const std::u16string child = ChildPath(path, name);
    try {
      const fs::file_status entry = fs::status(walkfs::ToFsPath(child));  // follows links
      if (fs::is_directory(entry)) {
        // a subfolder's contents come where its name falls among the entries
        if (name != kRecycleBin && levels.size() <= kMaxFolderDepth && FollowsInto(child, walk)) {
          try {
            enter(child);
          } catch (const std::exception& e) {
            if (!stopRequested_.load()) observer_.OnSearchError(child, Reason(e));
          }
        }
      } else if (!walkfs::IsSpecialType(entry.type())) {
        const std::u16string file = CompletePath(child);
        const auto target = walk.fileTargets.find(file);
        if (target != walk.fileTargets.end()) {
          if (target->second) continue;  // named as a target and handed over already
          target->second = true;
        }
        if (!HandOver(file, true)) return;
      }
    } catch (const std::exception& e) {
      // this entry cannot be looked at; the rest of the folder is walked
      if (!stopRequested_.load()) observer_.OnSearchError(path, platform::ToUtf8(name) + ": " + Reason(e));
    }
  }
}

}  // namespace qv::frontend
