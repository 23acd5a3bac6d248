// Zip-based Open XML documents: the VBA project part is scanned as a compound file.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/common/document_file.h"
#include "engine/common/skip_reasons.h"

namespace qv {

struct WorkArea;

struct ExtractedProject {
  bool found = false;            // the document is a package with a VBA project entry
  std::string entryName;         // the first project entry's name inside the package (UTF-8)
  std::u16string projectFile;    // that entry extracted, complete; empty when none could be made
  std::u16string privateFolder;  // the private folder holding the extracted parts (removed at the end)
  std::vector<std::u16string> moreProjectFiles;  // further project entries (duplicates), extracted too
  // Why the package could not be examined completely ("too many entries", "too large",
  // "damaged"); empty when every project entry was extracted. Such a package is never clean.
  std::string notExamined;
  // Parts extracted into memory instead of a file, by the name they stand under in
  // projectFile / moreProjectFiles (the temporary folder followed by "Report.docm.bin"). No
  // file of that name is ever opened, written or deleted for them.
  std::map<std::u16string, std::shared_ptr<MemoryPart>> inMemory;
  // One project entry, entries that share no bytes, local headers that agree with the central
  // directory, and a size within the rebuild's bound (the rebuild checks this again itself).
  bool rebuildable = false;
};

// Looks at `path`; when it is a zip package with VBA project entries (every entry whose name
// is a project name, duplicates included, up to cap::kMaxProjectParts), extracts each: into
// memory while the parts' declared sizes fit within `inMemoryBytes` together, the others into
// a fresh private folder below the temporary folder. A part that cannot be extracted
// completely, or only past the package's bounds, leaves nothing behind and sets notExamined.
// A set `stop` (the caller's stop request) ends the extraction between entries and between
// chunks; the package is then not examined ("interrupted").
// Only zip archives are opened as packages: true when the file begins with a local header.
bool StartsWithLocalHeader(const std::u16string& path);
bool StartsWithLocalHeader(const platform::File& file);

ExtractedProject ExtractVbaProject(const std::u16string& path, uint64_t inMemoryBytes = 0,
                                   const std::atomic<bool>* stop = nullptr);

// Puts the processed project file back into the package. Does nothing when the project file
// is unchanged. Otherwise the package is rebuilt beside the document, checked, the whole
// original document is quarantined, and the rebuilt package replaces the document in one
// rename. True when the document was replaced; on every failure the document stays as it was
// and no rebuilt file is left behind. `area` gives the quarantine folder.
// A set `stop` makes the rebuild give up between entries.
bool RebuildVbaPackage(WorkArea& area, const std::u16string& documentPath, const ExtractedProject& project,
                       const std::atomic<bool>* stop = nullptr);

// Removes the temporary project files and their folder (parts in memory have none).
void RemoveExtractedProject(const ExtractedProject& project);

}  // namespace qv
