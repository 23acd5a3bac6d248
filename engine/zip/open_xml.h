// Zip-based Open XML documents: the VBA project part is scanned as a compound file.
#pragma once

#include <string>

namespace qv {

struct WorkArea;

struct ExtractedProject {
  bool found = false;            // the document is a package with a VBA project entry
  std::string entryName;         // the entry's name inside the package (UTF-8)
  std::u16string projectFile;    // the extracted project, complete; empty when none could be made
  std::u16string privateFolder;  // the private folder holding it (removed at the end)
};

// Looks at `path`; when it is a zip package with a VBA project entry, extracts that entry into
// a fresh private folder below the temporary folder. A project that cannot be extracted
// completely leaves nothing behind and an empty projectFile.
ExtractedProject ExtractVbaProject(const std::u16string& path);

// Puts the processed project file back into the package. Does nothing when the project file
// is unchanged. Otherwise the package is rebuilt beside the document, checked, the whole
// original document is quarantined, and the rebuilt package replaces the document in one
// rename. True when the document was replaced; on every failure the document stays as it was
// and no rebuilt file is left behind. `area` gives the quarantine folder.
bool RebuildVbaPackage(WorkArea& area, const std::u16string& documentPath, const ExtractedProject& project);

// Removes the temporary project file and its folder.
void RemoveExtractedProject(const ExtractedProject& project);

}  // namespace qv
