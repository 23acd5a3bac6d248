// Macro-enabled Open XML packages: a Word document (.docm) and an Excel workbook (.xlsm),
// each with its content types, relationships, a main part with one line of text and the VBA
// project part vbaProject.bin (a compound file holding the project streams at its root).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tools/samples/byte_sink.h"
#include "tools/samples/vba_project_writer.h"

namespace qv::samples {

struct PackagePart {
  std::string name;  // "word/document.xml"
  Bytes data;
};

// Pieces of package parts shared by the package writers.
inline constexpr char kXmlHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
PackagePart Text(const std::string& name, const std::string& text);
// "[Content_Types].xml" with defaults for rels, xml and bin (the VBA project) and `overrides`.
std::string ContentTypes(const std::string& overrides);
std::string Relationships(const std::string& items);
std::string Relationship(const std::string& id, const std::string& type, const std::string& target);

// Writes a zip package holding `parts` in order, deflated, with a fixed time stamp. False
// (and `error` set) when the file cannot be written.
bool WritePackage(const std::filesystem::path& path, const std::vector<PackagePart>& parts, std::string* error);

// The VBA project part: the project streams at the compound file's root.
Bytes BuildProjectPart(const std::vector<VbaModule>& modules, const std::string& projectName);

std::vector<PackagePart> WordPackageParts(const std::string& text, const Bytes& projectPart);
std::vector<PackagePart> ExcelPackageParts(const std::string& text, const Bytes& projectPart);

}  // namespace qv::samples
