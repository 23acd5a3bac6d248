// Test support: the streams of a minimal VBA project, as a compound-file builder places
// them into storages. Paths are relative to the project's storage ("Macros" in a Word
// document, "_VBA_PROJECT_CUR" in a workbook): "PROJECT", "PROJECTwm", then "VBA/dir",
// "VBA/_VBA_PROJECT" and one "VBA/<module>" stream per module.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::test::ovba {

enum class ModuleKind { Procedural, Document };

struct ModuleSpec {
  std::string name;    // module and stream name (ASCII)
  std::string source;  // the full source text, "Attribute VB_Name ..." first
  ModuleKind kind = ModuleKind::Procedural;
  std::vector<uint8_t> performanceCache;  // bytes before the compressed source
};

struct ProjectStream {
  std::string path;  // "PROJECT", "VBA/dir", "VBA/Module1" ...
  std::vector<uint8_t> bytes;
};

struct VbaProject {
  std::vector<ProjectStream> streams;
  std::vector<uint8_t> dirRecords;  // the "dir" stream's records before compression

  // The stream at `path`; throws when absent.
  const ProjectStream& Stream(std::string_view path) const;
};

VbaProject BuildVbaProject(const std::vector<ModuleSpec>& modules,
                           const std::string& projectName = "VBAProject");

// The "dir" records of a project with these modules; module text offsets as given.
std::vector<uint8_t> DirRecords(const std::vector<ModuleSpec>& modules,
                                const std::vector<uint32_t>& textOffsets,
                                const std::string& projectName);

}  // namespace qv::test::ovba
