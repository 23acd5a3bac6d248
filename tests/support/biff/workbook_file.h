// Workbook documents for tests: a BIFF8 stream placed into a compound file as "Workbook"
// (or "Book" for Excel 5/95 cases), with a VBA project in "_VBA_PROJECT_CUR" when modules
// are given.
#pragma once

#include <string>
#include <vector>

#include "tests/support/biff/record_chain.h"
#include "writers/cfb/compound_writer.h"
#include "writers/ovba/vba_project.h"

namespace qv::test::biff {

inline constexpr char kProjectStorage[] = "_VBA_PROJECT_CUR";

struct WorkbookFile {
  std::string streamName = "Workbook";
  std::vector<writers::ovba::ModuleSpec> modules;  // no project when empty
  writers::StreamPlacement placement;              // of the workbook stream
};

writers::CfbFile BuildWorkbookFile(const Bytes& stream, const WorkbookFile& file = {});

// Path of a module stream of the project ("_VBA_PROJECT_CUR/VBA/<name>").
std::string ModulePath(const std::string& moduleName);

}  // namespace qv::test::biff
