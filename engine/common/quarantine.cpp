#include "engine/common/quarantine.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "engine/common/ascii_case.h"
#include "engine/common/capacities.h"
#include "engine/common/numbered_name.h"
#include "engine/common/quarantine_index.h"
#include "engine/common/quarantine_location.h"
#include "engine/common/repair_journal.h"
#include "engine/common/work_area.h"
#include "engine/platform/platform.h"

namespace qv {
namespace {

// Where the number of a further copy goes: "Report.doc" numbers as "Report(2).doc", so that
// the extension stays last and the copy restores with the right one.
size_t NumberPosition(std::u16string_view fileName) {
  const size_t dot = fileName.rfind(u'.');
  return dot == std::u16string_view::npos || dot == 0 ? fileName.size() : dot;
}

// Compared piece by piece: a copy is read back without a buffer of its whole size.
bool SameContent(const platform::File& file, const std::vector<uint8_t>& bytes) {
  if (file.Size() != bytes.size()) return false;
  uint8_t piece[16 * 1024];
  for (size_t at = 0; at < bytes.size(); at += sizeof piece) {
    const size_t n = std::min(sizeof piece, bytes.size() - at);
    if (file.ReadAt(at, piece, n) != n || std::memcmp(piece, bytes.data() + at, n) != 0) return false;
  }
  return true;
}

// Writes the scrambled copy whole and flushed under a partial name of its own in the
// in-progress folder; answers that name, or "" when it could not be written (nothing is left).
std::u16string WritePartialCopy(const std::u16string& quarantineDir, const std::vector<uint8_t>& bytes) {
  const std::u16string inProgress = InProgressFolder(quarantineDir);
  platform::CreateFolder(inProgress);  // exists after the first run
  // Calls of one run that share the quarantine (report-only sessions on several threads) each
  // take a partial name of their own; what a dead run left was removed when the turn was taken.
  std::u16string partial;
  std::optional<platform::File> out;
  SearchNumberedNames(inProgress + u"copy", u".part", cap::kMaxQuarantineVariants, [&](const std::u16string& candidate) {
    out = platform::File::CreateExclusive(candidate);
    if (!out) return platform::GetPathKind(candidate) != platform::PathKind::Missing ? NameTrial::Taken : NameTrial::Failed;
    partial = candidate;
    return NameTrial::Chosen;
  });
  if (!out) return {};
  const bool written = out->WriteAt(0, bytes.data(), bytes.size()) == bytes.size() && out->Flush();
  out->Close();
  if (written) return partial;
  platform::DeletePath(partial);
  return {};
}

}  // namespace

std::u16string QuarantineFolder() { return ChooseQuarantineFolder(CurrentQuarantineSiteFacts()); }

void ScrambleBytes(uint8_t* bytes, size_t length) {
  for (size_t i = 0; i < length; ++i) bytes[i] ^= cap::kQuarantineKey;
}

std::optional<std::u16string> StoreQuarantineCopy(const std::u16string& quarantineDir, const CopyOrigin& origin,
                                                  std::vector<uint8_t> bytes) {
  const std::u16string fileName = platform::FileNamePart(origin.path);
  if (fileName.empty()) return std::nullopt;
  QuarantineRecord record;
  record.bytes = bytes.size();
  record.crc32 = DocumentChecksum(bytes.data(), bytes.size());
  record.rule = origin.rule;
  record.originalPath = origin.path;
  ScrambleBytes(bytes.data(), bytes.size());
  // The copy is written whole and flushed under a name of its own in the in-progress folder,
  // then given its name: a ".vir" is always complete, and on disk before the document changes.
  // Existing copies are looked at first: content kept already needs no second copy.
  std::u16string partial;
  const size_t cut = NumberPosition(fileName);
  const std::u16string stem = quarantineDir + fileName.substr(0, cut);
  const std::u16string tail = fileName.substr(cut) + kQuarantineExtension;
  std::u16string chosen;
  bool named = false;  // the partial copy took the chosen name
  const bool stored = SearchNumberedNames(stem, tail, cap::kMaxQuarantineVariants, [&](const std::u16string& candidate) {
    if (auto existing = platform::File::OpenRead(candidate)) {
      if (!SameContent(*existing, bytes)) return NameTrial::Taken;  // another document's copy
      chosen = candidate;  // this content is kept already (flushed before it got its name)
      return NameTrial::Chosen;
    }
    if (platform::GetPathKind(candidate) != platform::PathKind::Missing) return NameTrial::Taken;
    if (partial.empty()) partial = WritePartialCopy(quarantineDir, bytes);
    if (partial.empty()) return NameTrial::Failed;
    if (!platform::RenameNoReplace(partial, candidate)) {
      return platform::GetPathKind(candidate) != platform::PathKind::Missing ? NameTrial::Taken  // taken meanwhile
                                                                             : NameTrial::Failed;
    }
    chosen = candidate;
    named = true;
    return NameTrial::Chosen;
  });
  if (!named && !partial.empty()) platform::DeletePath(partial);
  if (!stored) return std::nullopt;
  if (named) {
    if (!platform::FlushFolder(quarantineDir)) return std::nullopt;  // complete, but its name may not last
    record.copyName = platform::FileNamePart(chosen);
    const platform::LocalTime t = platform::Now();
    char time[32];
    std::snprintf(time, sizeof time, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    record.time = time;
    AppendIndexRecord(quarantineDir, record);  // without it the copy still lists and restores by name
  }
  return chosen;
}

bool BackupToQuarantine(WorkArea& area, const std::u16string& path, const std::string& rule) {
  if (path.find(platform::kSep) == std::u16string::npos) return false;
  if (!area.document) return false;  // deleted already: nothing to back up
  if (area.quarantinedThisCall.count(path) != 0) return true;  // the first (pre-repair) copy stays
  if (!area.packagePath.empty() && area.repairMode != 0) {
    // A part of a package about to be rebuilt: the whole package is copied before anything
    // changes (the rebuild reuses that copy), so the part needs none of its own.
    if (area.quarantinedThisCall.count(area.packagePath) == 0) {
      if (!QuarantineWholeFile(area.quarantineDir, area.packagePath, rule)) return false;
      area.quarantinedThisCall.insert(area.packagePath);
    }
    area.quarantinedThisCall.insert(path);
    return true;
  }
  std::vector<uint8_t> bytes(area.fileSize);
  if (area.fileSize == 0 || area.document->ReadAt(0, bytes.data(), bytes.size()) != bytes.size()) {
    return false;
  }
  if (!StoreQuarantineCopy(area.quarantineDir, {path, rule}, std::move(bytes))) return false;
  area.quarantinedThisCall.insert(path);
  return true;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::u16string& path) {
  auto file = platform::File::OpenRead(path);
  if (!file) return std::nullopt;
  const uint64_t size = file->Size();
  if (size == 0 || size > SIZE_MAX - 1) return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (file->ReadAt(0, bytes.data(), bytes.size()) != bytes.size()) return std::nullopt;
  return bytes;
}

std::optional<std::u16string> QuarantineWholeFile(const std::u16string& quarantineDir,
                                                  const std::u16string& path, const std::string& rule) {
  auto bytes = ReadWholeFile(path);
  if (!bytes) return std::nullopt;
  return StoreQuarantineCopy(quarantineDir, {path, rule}, std::move(*bytes));
}

int RestoreQuarantineCopy(const std::u16string& virPath, const std::u16string& destPath) {
  return RestoreQuarantineCopyAs(virPath, destPath, true) == RestoreResult::Restored ? 1 : 0;
}

namespace {

constexpr std::u16string_view kRestoreWorkSuffix = u".quorvane-restore";

// A new work file beside the destination, private until renamed; nullopt when none can be made.
std::optional<std::pair<std::u16string, platform::File>> CreateRestoreWorkFile(const std::u16string& destPath) {
  // ".Report.doc.quorvane-restore", ".Report.doc(2).quorvane-restore" …
  std::optional<std::pair<std::u16string, platform::File>> work;
  SearchNumberedNames(platform::FolderPart(destPath) + u"." + platform::FileNamePart(destPath), kRestoreWorkSuffix,
                      cap::kMaxRestoreWorkNames, [&](const std::u16string& candidate) {
                        auto file = platform::File::CreateNew(candidate);
                        if (!file) return NameTrial::Taken;
                        work.emplace(candidate, std::move(*file));
                        return NameTrial::Chosen;
                      });
  return work;
}

}  // namespace

RestoreResult RestoreQuarantineCopyAs(const std::u16string& virPath, const std::u16string& destPath, bool replace) {
  if (destPath.empty() || platform::FileNamePart(destPath).empty()) return RestoreResult::Failed;
  auto read = ReadWholeFile(virPath);  // an empty copy restores nothing
  if (!read) return RestoreResult::Failed;
  std::vector<uint8_t> bytes = std::move(*read);
  ScrambleBytes(bytes.data(), bytes.size());
  if (!replace && platform::NameExists(destPath)) return RestoreResult::DestinationExists;

  auto work = CreateRestoreWorkFile(destPath);
  if (!work) return RestoreResult::Failed;
  auto& [workPath, out] = *work;
  if (replace && !platform::IsLink(destPath)) {
    if (auto existing = platform::File::OpenRead(destPath)) out.TakeAccessOf(*existing);  // who may read it stays
  }
  const bool written = out.WriteAt(0, bytes.data(), bytes.size()) == bytes.size() && out.Flush();
  out.Close();
  if (!written) {
    platform::DeletePath(workPath);
    return RestoreResult::Failed;
  }
  platform::RaceWindow("restore-before-rename");
  const bool renamed = replace ? platform::RenameReplace(workPath, destPath) : platform::RenameNoReplace(workPath, destPath);
  if (!renamed) {
    platform::DeletePath(workPath);
    return !replace && platform::NameExists(destPath) ? RestoreResult::DestinationExists : RestoreResult::Failed;
  }
  return RestoreResult::Restored;
}

std::u16string OriginalNameOf(const std::u16string& virFileName) {
  const std::u16string_view extension = kQuarantineExtension;
  if (virFileName.size() > extension.size() && EndsWithFoldingAscii(virFileName, extension)) {
    return virFileName.substr(0, virFileName.size() - extension.size());
  }
  return virFileName + kRestoredSuffix;
}

}  // namespace qv
