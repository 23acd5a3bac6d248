// Zip-based Open XML documents: the VBA project part is scanned as a compound file.
#pragma once

#include <string>

namespace qv {

struct WorkArea;

struct ExtractedProject {
  bool found = false;            // a VBA project entry was found and extracted
  std::string entryName;         // the entry's name inside the package (UTF-8)
  std::u16string projectFile;    // the temporary file holding the extracted project
  std::u16string privateFolder;  // the private folder holding it (removed at the end)
};

// Looks at `path`; when it is a zip package with a VBA project entry, extracts that entry.
ExtractedProject ExtractVbaProject(const std::u16string& path);
// Rebuilds the package around the processed project file. `area` gives the quarantine.
bool RebuildVbaPackage(WorkArea& area, const std::u16string& documentPath, const ExtractedProject& project);
// Removes the temporary project file and its folder.
void RemoveExtractedProject(const ExtractedProject& project);

}  // namespace qv
