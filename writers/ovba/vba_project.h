// The streams of a VBA project as Office writes them ([MS-OVBA] 2.2, 2.3), as a compound-file
// writer places them into the project's storage ("Macros" in a Word document,
// "_VBA_PROJECT_CUR" in a workbook, the root of a package's vbaProject.bin): "PROJECT",
// "PROJECTwm", "VBA/_VBA_PROJECT" (version 0xFFFF and no performance cache, so that Office
// compiles the project from its source), "VBA/dir" (the compressed information, reference and
// module records) and one "VBA/<module>" stream per module.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "writers/ovba/module_stream.h"

namespace qv::writers::ovba {

enum class ModuleKind { Procedural, Document };

struct ModuleSpec {
  std::string name;    // module and stream name (ASCII)
  std::string source;  // the full source text, "Attribute VB_Name ..." first
  ModuleKind kind = ModuleKind::Procedural;
  std::vector<uint8_t> performanceCache;  // bytes before the compressed source
};

// A procedural module holding `code` after its VB_Name line.
ModuleSpec CodeModule(std::string_view name, std::string_view code);
// A document module (see DocumentModuleSource) holding `code` after its attribute lines.
ModuleSpec DocumentModule(std::string_view name, std::string_view base, std::string_view code = "");

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

// `projectName`: "Project" in Word, "VBAProject" in Excel.
VbaProject BuildVbaProject(const std::vector<ModuleSpec>& modules, const std::string& projectName = "VBAProject");

// The "dir" records of a project with these modules; module text offsets as given.
std::vector<uint8_t> DirRecords(const std::vector<ModuleSpec>& modules, const std::vector<uint32_t>& textOffsets,
                                const std::string& projectName);

}  // namespace qv::writers::ovba
