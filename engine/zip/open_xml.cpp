#include "engine/zip/open_xml.h"

#include <cstring>
#include <new>
#include <optional>

#include "engine/common/capacities.h"
#include "engine/common/work_area.h"
#include "engine/platform/platform.h"
#include "engine/zip/entry_rules.h"
#include "engine/zip/package_rebuild.h"
#include "engine/zip/package_reader.h"

namespace qv {
namespace {

constexpr uint8_t kLocalHeaderSignature[4] = {0x50, 0x4B, 0x03, 0x04};

bool StartsWithLocalHeader(const std::u16string& path) {
  auto file = platform::File::OpenRead(path);
  if (!file) return false;
  uint8_t head[5] = {};
  return file->ReadAt(0, head, sizeof head) >= sizeof kLocalHeaderSignature &&
         std::memcmp(head, kLocalHeaderSignature, sizeof kLocalHeaderSignature) == 0;
}

// Writes the reader's current entry into a new file that nothing else can have prepared:
// exclusive creation, links never followed. True when the whole entry arrived intact.
bool ExtractEntryTo(zip::PackageReader& reader, const zip::EntryInfo& entry, const std::u16string& target) {
  auto out = platform::File::CreateExclusive(target);
  if (!out) return false;
  uint64_t offset = 0;
  const bool complete = reader.ReadCurrent(entry, cap::kMaxProjectPartBytes, [&](const uint8_t* bytes, size_t length) {
    if (out->WriteAt(offset, bytes, length) != length) return false;
    offset += length;
    return true;
  });
  out->Close();
  if (!complete) platform::DeletePath(target);
  return complete;
}

}  // namespace

ExtractedProject ExtractVbaProject(const std::u16string& path) {
  ExtractedProject out;
  std::u16string folder, file;
  try {
    if (!StartsWithLocalHeader(path)) return out;
    auto reader = zip::PackageReader::Open(path);
    if (!reader) return out;
    std::optional<zip::EntryInfo> project;
    zip::ForEachEntry(*reader, cap::kMaxPackageEntries, [&](const zip::EntryInfo& entry) {
      if (!zip::IsProjectEntryName(entry.name)) return true;
      project = entry;
      return false;  // the reader stays at the project entry
    });
    if (!project) return out;
    out.found = true;
    out.entryName = project->name;

    folder = platform::CreatePrivateTempFolder();
    if (folder.empty()) return out;  // nowhere to put it: nothing is scanned
    file = folder + platform::kSep + platform::FileNamePart(path) + u".bin";
    if (!ExtractEntryTo(*reader, *project, file)) {
      platform::RemoveEmptyFolder(folder);
      return out;
    }
    out.projectFile = file;
    out.privateFolder = folder;
    return out;
  } catch (const std::bad_alloc&) {
    // Out of memory: nothing is scanned and nothing of the extraction stays behind.
    if (!file.empty()) platform::DeletePath(file);
    if (!folder.empty()) platform::RemoveEmptyFolder(folder);
    out.projectFile.clear();
    out.privateFolder.clear();
    return out;
  }
}

bool RebuildVbaPackage(WorkArea& area, const std::u16string& documentPath, const ExtractedProject& project) {
  try {
    return zip::RebuildPackage(area.quarantineDir, documentPath, project) == zip::RebuildOutcome::Replaced;
  } catch (const std::bad_alloc&) {
    return false;  // the rebuilt file removed itself on the way out; the document is as it was
  }
}

void RemoveExtractedProject(const ExtractedProject& project) {
  if (!project.projectFile.empty()) platform::DeletePath(project.projectFile);
  if (!project.privateFolder.empty()) platform::RemoveEmptyFolder(project.privateFolder);
}

}  // namespace qv
