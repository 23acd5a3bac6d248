#include "engine/zip/open_xml.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "engine/common/capacities.h"
#include "engine/common/numbered_name.h"
#include "engine/common/work_area.h"
#include "engine/platform/platform.h"
#include "engine/zip/entry_rules.h"
#include "engine/zip/package_rebuild.h"
#include "engine/zip/package_budget.h"
#include "engine/zip/package_reader.h"
#include "engine/zip/package_survey.h"

namespace qv {

namespace {
constexpr uint8_t kLocalHeaderSignature[4] = {0x50, 0x4B, 0x03, 0x04};
}  // namespace

bool StartsWithLocalHeader(const platform::File& file) {
  uint8_t head[sizeof kLocalHeaderSignature] = {};
  return file.ReadAt(0, head, sizeof head) == sizeof head && std::memcmp(head, kLocalHeaderSignature, sizeof head) == 0;
}

bool StartsWithLocalHeader(const std::u16string& path) {
  auto file = platform::File::OpenRead(path);
  return file && StartsWithLocalHeader(*file);
}

namespace {

// Writes the reader's current entry into a new file that nothing else can have prepared:
// exclusive creation, links never followed. True when the whole entry arrived intact and
// within the package's budget.
bool ExtractEntryTo(zip::PackageReader& reader, const zip::EntryInfo& entry, const std::u16string& target,
                    zip::PackageBudget& budget) {
  auto out = platform::File::CreateExclusive(target);
  if (!out) return false;
  uint64_t offset = 0;
  const bool complete = reader.ReadCurrent(entry, cap::kMaxProjectPartBytes, [&](const uint8_t* bytes, size_t length) {
    if (!budget.Spend(length) || out->WriteAt(offset, bytes, length) != length) return false;
    offset += length;
    return true;
  });
  out->Close();
  if (!complete) platform::DeletePath(target);
  return complete;
}

// "Report.docm.bin" for the first project entry, "Report.docm(2).bin" … for duplicates.
std::u16string PartName(const std::u16string& documentPath, uint32_t ordinal) {
  return NumberedName(platform::FileNamePart(documentPath), static_cast<int>(ordinal) + 1, u".bin");
}

// Reads the reader's current entry into memory; true when it arrived whole within `maxBytes`
// and the package's budget.
bool ExtractEntryToMemory(zip::PackageReader& reader, const zip::EntryInfo& entry, uint64_t maxBytes,
                          zip::PackageBudget& budget, MemoryPart& part) {
  part.bytes.reserve(static_cast<size_t>(entry.size));
  const bool complete = reader.ReadCurrent(entry, maxBytes, [&](const uint8_t* bytes, size_t length) {
    if (!budget.Spend(length)) return false;
    part.bytes.insert(part.bytes.end(), bytes, bytes + length);
    return true;
  });
  if (!complete) std::vector<uint8_t>().swap(part.bytes);
  return complete;
}

void NoteNotExamined(ExtractedProject& out, const char* reason) {
  if (out.notExamined.empty()) out.notExamined = reason;
}

void RemoveParts(ExtractedProject& out) {
  const auto onDisk = [&](const std::u16string& name) { return !name.empty() && out.inMemory.count(name) == 0; };
  if (onDisk(out.projectFile)) platform::DeletePath(out.projectFile);
  for (const auto& part : out.moreProjectFiles) {
    if (onDisk(part)) platform::DeletePath(part);
  }
  out.inMemory.clear();
  if (!out.privateFolder.empty()) platform::RemoveEmptyFolder(out.privateFolder);
  out.projectFile.clear();
  out.moreProjectFiles.clear();
  out.privateFolder.clear();
}

}  // namespace

ExtractedProject ExtractVbaProject(const std::u16string& path, uint64_t inMemoryBytes,
                                   const std::atomic<bool>* stop) {
  ExtractedProject out;
  try {
    if (!StartsWithLocalHeader(path)) return out;
    auto reader = zip::PackageReader::Open(path);
    if (!reader) return out;
    zip::PackageSurvey survey;
    if (auto file = platform::File::OpenRead(path)) survey = zip::SurveyPackage(*file);
    out.rebuildable = survey.readable && survey.complete && survey.consistent &&
                      survey.projectEntries.size() == 1 && survey.declaredBytes <= cap::kMaxPackageInflatedBytes;

    zip::PackageBudget budget(stop);
    const auto spentReason = [&] { return stop != nullptr && stop->load() ? kSkippedInterrupted : kSkippedTooLarge; };
    uint32_t parts = 0;
    bool noFolder = false;
    const bool walked = zip::ForEachEntry(*reader, cap::kMaxPackageEntries, [&](const zip::EntryInfo& entry) {
      if (!budget.Spend(0)) {  // a stop request, or the package's time is up: no further entry
        NoteNotExamined(out, spentReason());
        return false;
      }
      if (!zip::IsProjectEntryName(entry.name)) return true;
      out.found = true;
      if (parts == cap::kMaxProjectParts) {
        NoteNotExamined(out, kSkippedTooManyEntries);
        return false;
      }
      const uint32_t ordinal = parts++;
      if (ordinal == 0) out.entryName = entry.name;
      if (!zip::ProjectPartWithinBounds(entry.size, entry.compressedSize)) {
        NoteNotExamined(out, kSkippedTooLarge);
        return true;  // the others are still looked at
      }
      if (inMemoryBytes > 0 && entry.size <= inMemoryBytes) {
        auto part = std::make_shared<MemoryPart>();
        if (!ExtractEntryToMemory(*reader, entry, std::min(inMemoryBytes, cap::kMaxProjectPartBytes), budget, *part)) {
          NoteNotExamined(out, budget.spent() ? spentReason() : kSkippedDamaged);
          return !budget.spent();
        }
        inMemoryBytes -= part->bytes.size();
        const std::u16string name = platform::TempFolder() + PartName(path, ordinal);
        out.inMemory.emplace(name, std::move(part));
        (ordinal == 0 ? out.projectFile : out.moreProjectFiles.emplace_back()) = name;
        return true;
      }
      if (out.privateFolder.empty()) out.privateFolder = platform::CreatePrivateTempFolder();
      if (out.privateFolder.empty()) {
        noFolder = true;  // nowhere to put it: nothing is scanned
        return false;
      }
      const std::u16string file = out.privateFolder + platform::kSep + PartName(path, ordinal);
      if (!ExtractEntryTo(*reader, entry, file, budget)) {
        NoteNotExamined(out, budget.spent() ? spentReason() : kSkippedDamaged);
        return !budget.spent();
      }
      (ordinal == 0 ? out.projectFile : out.moreProjectFiles.emplace_back()) = file;
      return true;
    });
    if (noFolder) {
      RemoveParts(out);
      return out;
    }
    if (!walked) NoteNotExamined(out, survey.readable && !survey.complete ? kSkippedTooManyEntries : kSkippedDamaged);
    // The package's own directory lists project parts that the walk never met.
    if (survey.projectEntries.size() > parts) NoteNotExamined(out, kSkippedDamaged);
    if (!out.notExamined.empty()) out.found = true;  // a package, never walked as itself
    if (out.projectFile.empty() && !out.moreProjectFiles.empty()) {
      out.projectFile = out.moreProjectFiles.front();
      out.moreProjectFiles.erase(out.moreProjectFiles.begin());
    }
    if (out.projectFile.empty() && out.privateFolder.size() != 0) RemoveParts(out);
    return out;
  } catch (const std::bad_alloc&) {
    // Out of memory: nothing of the extraction stays behind, and the package is not clean.
    RemoveParts(out);
    out.found = true;
    NoteNotExamined(out, kSkippedTooLarge);
    return out;
  }
}

bool RebuildVbaPackage(WorkArea& area, const std::u16string& documentPath, const ExtractedProject& project,
                       const std::atomic<bool>* stop) {
  try {
    return zip::RebuildPackage(area.quarantineDir, documentPath, project, stop) == zip::RebuildOutcome::Replaced;
  } catch (const std::bad_alloc&) {
    return false;  // the rebuilt file removed itself on the way out; the document is as it was
  }
}

void RemoveExtractedProject(const ExtractedProject& project) {
  ExtractedProject copy = project;
  RemoveParts(copy);
}

}  // namespace qv
