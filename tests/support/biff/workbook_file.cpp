#include "tests/support/biff/workbook_file.h"

namespace qv::test::biff {

writers::CfbFile BuildWorkbookFile(const Bytes& stream, const WorkbookFile& file) {
  writers::CfbBuilder builder;
  builder.AddStream(file.streamName, stream, file.placement);
  if (!file.modules.empty()) {
    for (const auto& projectStream : writers::ovba::BuildVbaProject(file.modules).streams) {
      builder.AddStream(std::string(kProjectStorage) + "/" + projectStream.path, projectStream.bytes);
    }
  }
  return builder.BuildFile();
}

std::string ModulePath(const std::string& moduleName) { return std::string(kProjectStorage) + "/VBA/" + moduleName; }

}  // namespace qv::test::biff
