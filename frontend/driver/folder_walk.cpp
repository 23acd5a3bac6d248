// The search phase: folder targets are walked with boost::filesystem and every file found
// goes into one ordered set.
#include <boost/filesystem.hpp>

#include "engine/platform/platform.h"
#include "frontend/driver/scan_driver.h"
#include "frontend/driver/walk_state.h"

namespace qv::frontend {
namespace {

namespace fs = boost::filesystem;

// Absolute and normalised ("." and ".." resolved by name, no trailing separator).
std::string Complete(const fs::path& path) {
  std::string text = fs::system_complete(path).lexically_normal().string();
  while (text.size() > 1 && (text.back() == '/' || (text.back() == '.' && text[text.size() - 2] == '/'))) {
    text.pop_back();
  }
  return text;
}

bool IsSpecialType(fs::file_type type) {
  return type == fs::fifo_file || type == fs::socket_file || type == fs::character_file ||
         type == fs::block_file;
}

constexpr char kRecycleBin[] = "$Recycle.Bin";

}  // namespace

void ScanRunDriver::SearchTarget(bool& firstFolder, const std::u16string& path) {
  if (path.empty()) return;
  try {
    if (firstFolder) {
      if (!Send(UM_SCAN_TEXT, reinterpret_cast<uintptr_t>(kSearchNotice)) || !SetSearchTimer()) return;
      firstFolder = false;
    }
    SearchDirectory(&m_setFiles, path);
  } catch (const std::exception& e) {
    if (!stopRequested_.load()) receiver_.OnSearchError(path, e.what());
  } catch (...) {
    // a fault ends this target only
  }
}

void ScanRunDriver::SearchDirectory(std::set<std::u16string>* set, const std::u16string& dir) {
  if (set == nullptr || dir.empty()) return;
  WalkState single;
  WalkState& walk = walk_ != nullptr ? *walk_ : single;
  if (stayOnDevice_) {
    const auto identity = platform::FileIdentity(dir);
    walk.device = identity ? std::optional<uint64_t>(identity->first) : std::nullopt;
  }
  SearchDirectoryIn(*set, dir, walk, 0);
}

void ScanRunDriver::SearchDirectoryIn(std::set<std::u16string>& set, const std::u16string& dir,
                                      WalkState& walk, unsigned depth) {
  if (dir.empty() || depth > kMaxFolderDepth || stopRequested_.load()) return;
  const std::string full = Complete(platform::ToNarrow(dir));
  const fs::file_status status = fs::status(full);  // throws when the status cannot be read
  if (status.type() == fs::status_error || status.type() == fs::file_not_found) return;
  if (!fs::is_directory(status)) return;

  const auto identity = platform::FileIdentity(platform::FromNarrow(full));
  if (identity) {
    // The all-drives run walks every local drive as its own target: another device met
    // below a drive (pseudo file systems, other drives) is not entered from here.
    if (walk.device && identity->first != *walk.device) return;
    if (!walk.visited.insert(*identity).second) return;
  }

  // Opening the folder may throw: the caller's handler (or the target's guard) takes it.
  fs::directory_iterator it(full);
  const fs::directory_iterator end;
  while (it != end) {
    if (stopRequested_.load()) return;
    try {
      const std::string name = it->path().filename().string();
      const std::string child = full == "/" ? "/" + name : full + "/" + name;
      const fs::file_status entry = fs::status(child);  // follows links
      if (fs::is_directory(entry)) {
        if (name != kRecycleBin) SearchDirectoryIn(set, platform::FromNarrow(child), walk, depth + 1);
      } else if (!IsSpecialType(entry.type())) {
        set.insert(platform::FromNarrow(Complete(child)));
      }
    } catch (const std::exception& e) {
      if (!stopRequested_.load()) receiver_.OnSearchError(platform::FromNarrow(full), e.what());
    }
    ++it;  // a failing advance abandons the rest of this folder (the caller goes on)
  }
}

}  // namespace qv::frontend
