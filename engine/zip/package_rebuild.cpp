#include "engine/zip/package_rebuild.h"

#include "engine/zip/package_budget.h"
#include "engine/zip/package_survey.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "engine/common/capacities.h"
#include "engine/common/document_file.h"
#include "engine/common/quarantine.h"
#include "engine/platform/platform.h"
#include "engine/zip/entry_rules.h"
#include "engine/zip/package_reader.h"
#include "engine/zip/package_writer.h"
#include "engine/zip/part_references.h"
#include "engine/zip/rebuilt_file.h"

namespace qv::zip {
namespace {

enum class ProjectState { Unchanged, Changed, Deleted, Unreadable };

// Finds the package's project entry by the same rule as the extraction; it must be the entry
// that was extracted.
std::optional<EntryInfo> FindProjectEntry(PackageReader& reader, const std::string& entryName) {
  std::optional<EntryInfo> project;
  const bool walked = ForEachEntry(reader, cap::kMaxPackageEntries, [&](const EntryInfo& entry) {
    if (!IsProjectEntryName(entry.name)) return true;
    project = entry;
    return false;
  });
  if (!walked || !project || project->name != entryName) return std::nullopt;
  return project;
}

// The processed project part: a file, or the part held in memory (which no file stands for).
std::optional<DocumentFile> OpenProject(const ExtractedProject& project, bool& deleted) {
  deleted = false;
  if (const auto held = project.inMemory.find(project.projectFile); held != project.inMemory.end()) {
    deleted = held->second->deleted;
    if (deleted) return std::nullopt;
    return DocumentFile(held->second);
  }
  if (platform::GetPathKind(project.projectFile) == platform::PathKind::Missing) {
    deleted = true;
    return std::nullopt;
  }
  auto file = platform::File::OpenRead(project.projectFile);
  if (!file) return std::nullopt;
  return DocumentFile(std::move(*file));
}

// Compares the project part with the entry the reader is at, streaming both.
ProjectState CompareProject(PackageReader& reader, const EntryInfo& entry, const ExtractedProject& project) {
  bool deleted = false;
  auto file = OpenProject(project, deleted);
  if (deleted) return ProjectState::Deleted;
  if (!file) return ProjectState::Unreadable;
  if (file->Size() != entry.size) return ProjectState::Changed;
  std::vector<uint8_t> mine(cap::kPackageCopyChunk);
  uint64_t offset = 0;
  bool differs = false;
  const bool read = reader.ReadCurrent(entry, cap::kMaxProjectPartBytes, [&](const uint8_t* bytes, size_t length) {
    if (file->ReadAt(offset, mine.data(), length) != length || !std::equal(bytes, bytes + length, mine.begin())) {
      differs = true;
      return false;
    }
    offset += length;
    return true;
  });
  if (differs) return ProjectState::Changed;
  return read ? ProjectState::Unchanged : ProjectState::Unreadable;
}

// Copies a part that may point at the removed project, without those pointers.
bool CopyWithoutReferences(PackageReader& reader, PackageWriter& writer, const EntryInfo& entry,
                           const std::string& removedProject, const platform::LocalTime& now, PackageBudget& budget) {
  const auto xml = ReadEntryText(reader, entry, cap::kMaxReferencePartBytes, budget);
  if (!xml) return false;
  const std::string content = WithoutReferencesTo(entry.name, *xml, removedProject).value_or(*xml);
  return WriteEntryContent(writer, entry, content, now);
}

// Copies every entry that stays, in archive order. Counts the entries written. When the
// project part was removed (`removedProject` not empty), relationships and the content type
// that named it go too.
bool CopyEntries(PackageReader& reader, PackageWriter& writer, const std::string& projectEntryName,
                 const std::string& removedProject, const platform::LocalTime& now, uint64_t& written,
                 PackageBudget& budget) {
  bool copied = true;
  const bool walked = ForEachEntry(reader, cap::kMaxPackageEntries, [&](const EntryInfo& entry) {
    if (IsLeftOutOfRebuild(entry.name, projectEntryName)) return true;
    if (!budget.Spend(0)) return copied = false;  // out of time: no further entry is begun
    if (!removedProject.empty() && MayReferToParts(entry.name) && entry.size <= cap::kMaxReferencePartBytes) {
      copied = CopyWithoutReferences(reader, writer, entry, removedProject, now, budget);
      if (copied) ++written;
      return copied;
    }
    copied = CopyEntryAsIs(reader, writer, entry, now, budget);
    if (copied) ++written;
    return copied;
  });
  return walked && copied;
}

bool AddProjectFile(PackageWriter& writer, const EntryInfo& projectEntry, const ExtractedProject& project,
                    const platform::LocalTime& now) {
  bool deleted = false;
  auto file = OpenProject(project, deleted);
  if (!file) return false;
  const uint64_t size = file->Size();
  if (!writer.BeginEntry(NewEntryLike(projectEntry, size, now))) return false;
  std::vector<uint8_t> chunk(cap::kPackageCopyChunk);
  for (uint64_t offset = 0; offset < size;) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(chunk.size(), size - offset));
    if (file->ReadAt(offset, chunk.data(), want) != want || !writer.Write(chunk.data(), want)) return false;
    offset += want;
  }
  return writer.EndEntry();
}

}  // namespace

RebuildOutcome RebuildPackage(const std::u16string& quarantineDir, const std::u16string& documentPath,
                              const ExtractedProject& project, const std::atomic<bool>* stop) {
  if (!project.found || project.projectFile.empty() || project.entryName.empty()) return RebuildOutcome::NothingToDo;
  // Entries that share bytes, local headers that disagree with the directory, more than one
  // project part or a package past the rebuild's bound: copying it could multiply its cost
  // or keep a part the scan never saw, so it is not rebuilt.
  if (!project.moreProjectFiles.empty() || !project.notExamined.empty()) return RebuildOutcome::Abandoned;
  const auto survey = SurveySoundPackage(documentPath);
  if (!survey || survey->projectEntries.size() != 1) return RebuildOutcome::Abandoned;
  auto reader = PackageReader::Open(documentPath);
  if (!reader) return RebuildOutcome::Abandoned;
  const auto projectEntry = FindProjectEntry(*reader, project.entryName);
  if (!projectEntry) return RebuildOutcome::Abandoned;
  const ProjectState state = CompareProject(*reader, *projectEntry, project);
  if (state == ProjectState::Unchanged) return RebuildOutcome::NothingToDo;
  if (state == ProjectState::Unreadable) return RebuildOutcome::Abandoned;

  auto rebuilt = RebuiltFile::CreateBeside(documentPath, quarantineDir);
  if (!rebuilt || !rebuilt->TakeAccessOf(documentPath)) return RebuildOutcome::Abandoned;
  {
    auto writer = PackageWriter::Create(rebuilt->TakeFile());
    if (!writer) return RebuildOutcome::Abandoned;
    const platform::LocalTime now = platform::Now();
    uint64_t written = 0;
    const std::string removedProject = state == ProjectState::Deleted ? project.entryName : std::string();
    PackageBudget budget(stop);
    if (!CopyEntries(*reader, *writer, project.entryName, removedProject, now, written, budget)) {
      return RebuildOutcome::Abandoned;
    }
    if (state == ProjectState::Changed) {
      if (!AddProjectFile(*writer, *projectEntry, project, now)) return RebuildOutcome::Abandoned;
      ++written;
    }
    if (!writer->Finish()) return RebuildOutcome::Abandoned;
    reader.reset();  // the document is no longer read from
    if (!ReadsBackWhole(rebuilt->path(), written)) return RebuildOutcome::Abandoned;
  }
  // The user must be able to get the document back exactly as it was.
  if (!QuarantineWholeFile(quarantineDir, documentPath)) return RebuildOutcome::Abandoned;
  if (!rebuilt->ReplaceDocument(documentPath)) return RebuildOutcome::Abandoned;
  return RebuildOutcome::Replaced;
}

}  // namespace qv::zip
