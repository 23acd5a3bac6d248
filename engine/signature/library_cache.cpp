#include "engine/signature/library_cache.h"

namespace qv {

int LibraryCache::Acquire(const std::u16string& path, ReportFn report, SignatureTables*& tables) {
  tables = nullptr;
  const int loaded = LoadLibraryFile(path, image_);
  if (loaded != kLibraryLoaded) {
    tables_.reset();
    builtFrom_.clear();
    return loaded;
  }
  // The whole content is compared, not a digest of it: equal bytes build equal tables, so
  // neither the file's time nor its name matters.
  if (!tables_ || image_ != builtFrom_) {
    tables_.reset();
    builtFrom_.clear();
    ++builds_;
    tables_ = BuildTablesFromImage(image_.data(), image_.size(), report);
    if (!tables_) return kLibraryUnusable;
    builtFrom_.swap(image_);
  }
  tables_->report = report;
  tables_->area = nullptr;
  tables = tables_.get();
  return kLibraryLoaded;
}

}  // namespace qv
