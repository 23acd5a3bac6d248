#include "tests/support/zip/project_part.h"

#include "tests/support/bytes/test_bytes.h"
#include "writers/cfb/compound_writer.h"
#include "tests/support/ovba/module_stream.h"
#include "writers/ovba/vba_project.h"

namespace qv::test {

std::vector<uint8_t> VbaProjectPart(ProjectPart kind) {
  const bool infected = kind != ProjectPart::Clean;
  const std::string body = infected ? "Sub AutoOpen()\r\n    MsgBox \"QUORVANE-MACRO-TEST-SIGNATURE\"\r\nEnd Sub\r\n"
                                    : "Sub Greet()\r\n    MsgBox \"hello\"\r\nEnd Sub\r\n";
  writers::ovba::ModuleSpec module;
  module.name = "Module1";
  module.source = writers::ovba::ModuleSource("Module1", body);
  const auto project = writers::ovba::BuildVbaProject({module});
  writers::CfbBuilder builder;
  for (const auto& stream : project.streams) builder.AddStream(stream.path, stream.bytes);
  if (kind == ProjectPart::InfectedRepairable) {
    // offset 4: the 16-bit version word 0x6902 that marks a "PropData" project
    builder.AddStream("PropData", {0x00, 0x00, 0x00, 0x00, 0x02, 0x69, 0x00, 0x00});
  }
  return builder.Build();
}

}  // namespace qv::test
