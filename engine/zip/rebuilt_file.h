// The pieces every package rebuild shares: the rebuilt file beside the document (removed
// again unless kept), entries written like their originals, and the final read-back check.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/common/capacities.h"
#include "engine/common/leftover_records.h"
#include "engine/common/numbered_name.h"
#include "engine/platform/platform.h"
#include "engine/zip/package_budget.h"
#include "engine/zip/package_reader.h"
#include "engine/zip/package_survey.h"
#include "engine/zip/package_writer.h"

namespace qv::zip {

// The rebuilt package, created exclusively beside the document. Removed again unless kept.
// With a quarantine folder, it is recorded there while it exists, so that a run killed in
// between has the next run remove it (leftover_records.h).
class RebuiltFile {
 public:
  static std::optional<RebuiltFile> CreateBeside(const std::u16string& documentPath,
                                                 const std::u16string& quarantineDir = {}) {
    std::optional<RebuiltFile> rebuilt;
    SearchNumberedNames(documentPath, u".bin", cap::kMaxRebuildNameVariants, [&](const std::u16string& candidate) {
      if (platform::GetPathKind(candidate) != platform::PathKind::Missing) return NameTrial::Taken;
      std::optional<LeftoverRecord> record =
          quarantineDir.empty() ? std::nullopt : LeftoverRecord::Before(quarantineDir, candidate);
      if (!quarantineDir.empty() && !record) return NameTrial::Failed;
      // Exclusive creation: a name that is taken (a file, a link, even a dangling one) is
      // skipped and never written through.
      auto file = platform::File::CreateExclusive(candidate);
      if (!file) return NameTrial::Taken;
      if (record) record->Created();
      rebuilt.emplace(RebuiltFile(candidate, std::move(*file), std::move(record)));
      return NameTrial::Chosen;
    });
    return rebuilt;
  }
  RebuiltFile(RebuiltFile&& other) noexcept
      : path_(std::move(other.path_)), file_(std::move(other.file_)), identity_(other.identity_), keep_(other.keep_),
        record_(std::move(other.record_)) {
    other.keep_ = true;
    other.record_.reset();
  }
  RebuiltFile(const RebuiltFile&) = delete;
  RebuiltFile& operator=(const RebuiltFile&) = delete;
  RebuiltFile& operator=(RebuiltFile&&) = delete;
  ~RebuiltFile() {
    if (!keep_) platform::DeletePath(path_);
  }  // the record goes after the file
  const std::u16string& path() const { return path_; }
  // Gives the rebuilt file the document's access, and its owner and group where this process
  // may, through the open descriptor (call before TakeFile). Remembers the file's identity.
  bool TakeAccessOf(const std::u16string& documentPath);
  platform::File TakeFile() { return std::move(file_); }
  // Puts the rebuilt file on disk, renames it over the document (one rename: one of the two
  // always survives) and checks that what now has the document's name is the file written
  // here, not something put at the rebuilt file's name meanwhile. Kept once renamed.
  bool ReplaceDocument(const std::u16string& documentPath);

 private:
  RebuiltFile(std::u16string path, platform::File file, std::optional<LeftoverRecord> record)
      : path_(std::move(path)), file_(std::move(file)), record_(std::move(record)) {}
  std::u16string path_;
  platform::File file_;
  std::optional<std::pair<uint64_t, uint64_t>> identity_;
  bool keep_ = false;
  std::optional<LeftoverRecord> record_;
};

// A new entry with the source entry's name, attributes and storage choice, stamped `now`.
NewEntry NewEntryLike(const EntryInfo& source, uint64_t size, const platform::LocalTime& now);

// Copies the entry the reader is at unchanged (streamed and checked). Every chunk is charged
// to the rebuild's `budget` first; a spent budget (bytes, time, a stop request) stops the copy.
bool CopyEntryAsIs(PackageReader& reader, PackageWriter& writer, const EntryInfo& entry, const platform::LocalTime& now,
                   PackageBudget& budget);

// Reads the entry the reader is at whole (up to `maxBytes`), charging it to `budget`.
std::optional<std::string> ReadEntryText(PackageReader& reader, const EntryInfo& entry, uint64_t maxBytes,
                                         PackageBudget& budget);

// Whether the package at `path` may be rebuilt at all: its whole bookkeeping could be read,
// no two entries share bytes, every local header agrees with the directory, and what it
// declares stays within the rebuild's bound. Every rebuild asks this first; nullopt when not.
std::optional<PackageSurvey> SurveySoundPackage(const std::u16string& path);
// Writes `content` as a new entry like `source`.
bool WriteEntryContent(PackageWriter& writer, const EntryInfo& source, const std::string& content,
                       const platform::LocalTime& now);

// Reads the finished package back: every entry must come out whole.
bool ReadsBackWhole(const std::u16string& path, uint64_t expectedEntries);

}  // namespace qv::zip
