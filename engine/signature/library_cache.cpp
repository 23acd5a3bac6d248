#include "engine/signature/library_cache.h"

#include <algorithm>

namespace qv {

namespace {
// A file changed this long before it was read cannot change again under the same stamp, however
// coarse the file system's clock.
constexpr int64_t kSettledStampNs = 2'000'000'000;
}  // namespace

int LibraryCache::Acquire(const std::u16string& path, ReportFn report, SignatureTables*& tables) {
  tables = nullptr;
  const std::optional<platform::FileStamp> stamp = platform::StampOf(path);
  if (!(tables_ && stamp_ && stamp && *stamp == *stamp_)) {
    const int64_t readAt = platform::WallClockNs();
    ++reads_;
    const int loaded = LoadLibraryFile(path, image_);
    if (loaded != kLibraryLoaded) {
      tables_.reset();
      builtFrom_.clear();
      stamp_.reset();
      return loaded;
    }
    // The whole content is compared, not a digest of it: equal bytes build equal tables, so
    // neither the file's time nor its name matters.
    if (!tables_ || image_ != builtFrom_) {
      tables_.reset();
      builtFrom_.clear();
      stamp_.reset();
      ++builds_;
      tables_ = BuildTablesFromImage(image_.data(), image_.size(), report);
      if (!tables_) return kLibraryUnusable;
      builtFrom_.swap(image_);
    }
    // Taken before the read: a change after it shows in the next stamp. Trusted only once the
    // file has settled, so that a change within the same tick of its clock is read too.
    const bool settled = stamp && readAt - std::max(stamp->modifiedNs, stamp->changedNs) > kSettledStampNs;
    stamp_ = settled ? stamp : std::nullopt;
  }
  tables_->report = report;
  tables_->area = nullptr;
  tables = tables_.get();
  return kLibraryLoaded;
}

}  // namespace qv
