#include "engine/common/quarantine.h"

#include <string_view>

#include "engine/common/capacities.h"
#include "engine/common/quarantine_location.h"
#include "engine/common/repair_journal.h"
#include "engine/common/work_area.h"
#include "engine/platform/platform.h"

namespace qv {
namespace {

// "Report.doc" → "Report(2).doc" for n = 2; the extension stays last so the copy
// restores with the right one.
std::u16string VariantName(const std::u16string& fileName, int n) {
  if (n <= 1) return fileName;
  std::u16string mark = u"(";
  for (char c : std::to_string(n)) mark.push_back(static_cast<char16_t>(c));
  mark.push_back(u')');
  const size_t dot = fileName.rfind(u'.');
  if (dot == std::u16string::npos || dot == 0) return fileName + mark;
  return fileName.substr(0, dot) + mark + fileName.substr(dot);
}

bool SameContent(platform::File& file, const std::vector<uint8_t>& bytes) {
  if (file.Size() != bytes.size()) return false;
  std::vector<uint8_t> existing(bytes.size());
  return file.ReadAt(0, existing.data(), existing.size()) == existing.size() && existing == bytes;
}

}  // namespace

std::u16string QuarantineFolder() { return ChooseQuarantineFolder(CurrentQuarantineSiteFacts()); }

void ScrambleBytes(uint8_t* bytes, size_t length) {
  for (size_t i = 0; i < length; ++i) bytes[i] ^= cap::kQuarantineKey;
}

std::optional<std::u16string> StoreQuarantineCopy(const std::u16string& quarantineDir,
                                                  const std::u16string& fileName,
                                                  std::vector<uint8_t> bytes) {
  if (fileName.empty()) return std::nullopt;
  ScrambleBytes(bytes.data(), bytes.size());
  // The copy is written whole and flushed under a name of its own in the in-progress folder,
  // then given its name: a ".vir" is always complete, and on disk before the document changes.
  const std::u16string inProgress = InProgressFolder(quarantineDir);
  platform::CreateFolder(inProgress);  // exists after the first run
  const std::u16string partial = inProgress + u"copy.part";
  platform::DeletePath(partial);  // what a dead run left (the quarantine's lock is ours)
  {
    auto out = platform::File::CreateExclusive(partial);
    if (!out) return std::nullopt;
    if (out->WriteAt(0, bytes.data(), bytes.size()) != bytes.size() || !out->Flush()) {
      out->Close();
      platform::DeletePath(partial);
      return std::nullopt;
    }
  }
  for (int n = 1; n <= cap::kMaxQuarantineVariants; ++n) {
    const std::u16string candidate = quarantineDir + VariantName(fileName, n) + u".vir";
    if (auto existing = platform::File::OpenRead(candidate)) {
      if (!SameContent(*existing, bytes)) continue;  // another document's copy
      // This content is kept already (and was flushed before it got its name).
      platform::DeletePath(partial);
      return candidate;
    }
    if (platform::GetPathKind(candidate) != platform::PathKind::Missing) continue;
    if (!platform::RenameNoReplace(partial, candidate)) {
      if (platform::GetPathKind(candidate) != platform::PathKind::Missing) continue;  // taken meanwhile
      break;
    }
    if (!platform::FlushFolder(quarantineDir)) return std::nullopt;  // complete, but its name may not last
    return candidate;
  }
  platform::DeletePath(partial);
  return std::nullopt;
}

bool BackupToQuarantine(WorkArea& area, const std::u16string& path) {
  if (path.find(platform::kSep) == std::u16string::npos) return false;
  if (!area.document) return false;  // deleted already: nothing to back up
  if (area.quarantinedThisCall.count(path) != 0) return true;  // the first (pre-repair) copy stays
  if (!area.packagePath.empty() && area.repairMode != 0) {
    // A part of a package about to be rebuilt: the whole package is copied before anything
    // changes (the rebuild reuses that copy), so the part needs none of its own.
    if (area.quarantinedThisCall.count(area.packagePath) == 0) {
      if (!QuarantineWholeFile(area.quarantineDir, area.packagePath)) return false;
      area.quarantinedThisCall.insert(area.packagePath);
    }
    area.quarantinedThisCall.insert(path);
    return true;
  }
  std::vector<uint8_t> bytes(area.fileSize);
  if (area.fileSize == 0 || area.document->ReadAt(0, bytes.data(), bytes.size()) != bytes.size()) {
    return false;
  }
  if (!StoreQuarantineCopy(area.quarantineDir, platform::FileNamePart(path), std::move(bytes))) return false;
  area.quarantinedThisCall.insert(path);
  return true;
}

std::optional<std::u16string> QuarantineWholeFile(const std::u16string& quarantineDir,
                                                  const std::u16string& path) {
  auto file = platform::File::OpenRead(path);
  if (!file) return std::nullopt;
  const uint64_t size = file->Size();
  if (size == 0 || size > SIZE_MAX) return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (file->ReadAt(0, bytes.data(), bytes.size()) != bytes.size()) return std::nullopt;
  return StoreQuarantineCopy(quarantineDir, platform::FileNamePart(path), std::move(bytes));
}

int RestoreQuarantineCopy(const std::u16string& virPath, const std::u16string& destPath) {
  auto in = platform::File::OpenRead(virPath);
  if (!in) return 0;
  const uint64_t n = in->Size();
  if (n < 1 || n > SIZE_MAX - 1) return 0;
  std::vector<uint8_t> bytes(static_cast<size_t>(n));
  if (in->ReadAt(0, bytes.data(), bytes.size()) != bytes.size()) return 0;
  ScrambleBytes(bytes.data(), bytes.size());
  auto out = platform::File::CreateTruncate(destPath);
  if (!out) return 0;
  return out->WriteAt(0, bytes.data(), bytes.size()) == bytes.size() ? 1 : 0;
}

std::u16string OriginalNameOf(const std::u16string& virFileName) {
  const std::u16string_view suffix = u".vir";
  if (virFileName.size() > suffix.size() &&
      std::u16string_view(virFileName).substr(virFileName.size() - suffix.size()) == suffix) {
    return virFileName.substr(0, virFileName.size() - suffix.size());
  }
  return virFileName;
}

}  // namespace qv
