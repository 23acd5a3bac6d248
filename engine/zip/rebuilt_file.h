// The pieces every package rebuild shares: the rebuilt file beside the document (removed
// again unless kept), entries written like their originals, and the final read-back check.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/common/capacities.h"
#include "engine/common/numbered_name.h"
#include "engine/platform/platform.h"
#include "engine/zip/package_reader.h"
#include "engine/zip/package_writer.h"

namespace qv::zip {

// The rebuilt package, created exclusively beside the document. Removed again unless kept.
class RebuiltFile {
 public:
  static std::optional<RebuiltFile> CreateBeside(const std::u16string& documentPath) {
    std::optional<RebuiltFile> rebuilt;
    // Exclusive creation: a name that is taken (a file, a link, even a dangling one) is
    // skipped and never written through.
    SearchNumberedNames(documentPath, u".bin", cap::kMaxRebuildNameVariants, [&](const std::u16string& candidate) {
      auto file = platform::File::CreateExclusive(candidate);
      if (!file) return NameTrial::Taken;
      rebuilt.emplace(RebuiltFile(candidate, std::move(*file)));
      return NameTrial::Chosen;
    });
    return rebuilt;
  }
  RebuiltFile(RebuiltFile&& other) noexcept
      : path_(std::move(other.path_)), file_(std::move(other.file_)), keep_(other.keep_) {
    other.keep_ = true;
  }
  RebuiltFile(const RebuiltFile&) = delete;
  RebuiltFile& operator=(const RebuiltFile&) = delete;
  RebuiltFile& operator=(RebuiltFile&&) = delete;
  ~RebuiltFile() {
    if (!keep_) platform::DeletePath(path_);
  }
  const std::u16string& path() const { return path_; }
  platform::File TakeFile() { return std::move(file_); }
  void Keep() { keep_ = true; }

 private:
  RebuiltFile(std::u16string path, platform::File file) : path_(std::move(path)), file_(std::move(file)) {}
  std::u16string path_;
  platform::File file_;
  bool keep_ = false;
};

// A new entry with the source entry's name, attributes and storage choice, stamped `now`.
NewEntry NewEntryLike(const EntryInfo& source, uint64_t size, const platform::LocalTime& now);

// Copies the entry the reader is at unchanged (streamed and checked). `spend`, when given, is
// told every chunk's length first and stops the copy by answering false.
bool CopyEntryAsIs(PackageReader& reader, PackageWriter& writer, const EntryInfo& entry, const platform::LocalTime& now,
                   const std::function<bool(size_t)>& spend = {});
// Writes `content` as a new entry like `source`.
bool WriteEntryContent(PackageWriter& writer, const EntryInfo& source, const std::string& content,
                       const platform::LocalTime& now);

// Reads the finished package back: every entry must come out whole.
bool ReadsBackWhole(const std::u16string& path, uint64_t expectedEntries);

}  // namespace qv::zip
