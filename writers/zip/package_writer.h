// Macro-enabled Open XML packages: a Word document (.docm) and an Excel workbook (.xlsm),
// each with its content types, relationships, a main part with one line of text and the VBA
// project part vbaProject.bin (a compound file holding the project streams at its root).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "writers/common/byte_sink.h"
#include "writers/ovba/vba_project.h"

namespace qv::writers {

struct PackagePart {
  std::string name;  // "word/document.xml"; UTF-8, marked as UTF-8 in the archive when not ASCII
  Bytes data;        // the content, or with `raw` the bytes stored as they are
  bool deflate = true;  // false: stored
  // Raw parts are written byte for byte with the method above and the declared size and
  // checksum below, so that tests can build entries that do not read back intact.
  bool raw = false;
  uint64_t declaredSize = 0;
  uint32_t declaredCrc = 0;
};

// Pieces of package parts shared by the package writers.
inline constexpr char kXmlHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
PackagePart Text(const std::string& name, const std::string& text);
// "[Content_Types].xml" with defaults for rels, xml and bin (the VBA project) and `overrides`.
std::string ContentTypes(const std::string& overrides);
std::string Relationships(const std::string& items);
std::string Relationship(const std::string& id, const std::string& type, const std::string& target);

// Writes a zip package holding `parts` in order, with a fixed time stamp (the same bytes on
// every run). Throws std::runtime_error when the file cannot be written.
void WritePackage(const std::filesystem::path& path, const std::vector<PackagePart>& parts);

// The VBA project part: the project streams at the compound file's root.
Bytes BuildProjectPart(const std::vector<ovba::ModuleSpec>& modules, const std::string& projectName);

std::vector<PackagePart> WordPackageParts(const std::string& text, const Bytes& projectPart);
std::vector<PackagePart> ExcelPackageParts(const std::string& text, const Bytes& projectPart);

}  // namespace qv::writers
