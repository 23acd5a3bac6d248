// Workbook documents for tests: a BIFF8 stream placed into a compound file as "Workbook"
// (or "Book" for Excel 5/95 cases), with a VBA project in "_VBA_PROJECT_CUR" when modules
// are given.
#pragma once

#include <string>
#include <vector>

#include "tests/support/biff/workbook_builder.h"
#include "tests/support/cfb/cfb_builder.h"
#include "tests/support/ovba/vba_project.h"

namespace qv::test::biff {

inline constexpr char kProjectStorage[] = "_VBA_PROJECT_CUR";

struct WorkbookFile {
  std::string streamName = "Workbook";
  std::vector<ovba::ModuleSpec> modules;  // no project when empty
  StreamPlacement placement;              // of the workbook stream
};

CfbFile BuildWorkbookFile(const Bytes& stream, const WorkbookFile& file = {});

// Path of a module stream of the project ("_VBA_PROJECT_CUR/VBA/<name>").
std::string ModulePath(const std::string& moduleName);

}  // namespace qv::test::biff
