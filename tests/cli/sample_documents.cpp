#include "tests/cli/sample_documents.h"

#include "tests/support/bytes/test_bytes.h"
#include "writers/cfb/compound_writer.h"
#include "writers/ovba/vba_project.h"
#include "tests/support/word/word_streams.h"

namespace qv::cli::test {

std::vector<uint8_t> WordDocumentWithMacro(bool infected, size_t dataBytes) {
  constexpr uint32_t kCommandTableAt = 0x200;  // fcCmds: inside the table stream
  constexpr uint32_t kCommandTableBytes = 0x40;
  writers::CfbBuilder builder;
  builder.AddStream("WordDocument", qv::test::Word97DocumentStream(kCommandTableAt, kCommandTableBytes));
  // The FIB's table-stream flag is filler here: both table streams exist.
  builder.AddStream("0Table", qv::test::WordTableStream(0x1000, kCommandTableAt));
  builder.AddStream("1Table", qv::test::WordTableStream(0x1000, kCommandTableAt));
  if (dataBytes > 0) builder.AddStream("Data", qv::test::PatternBytes(dataBytes, 7));

  const std::string body = infected ? std::string("    MsgBox \"") + kTestSignatureText + "\"\r\n"
                                    : std::string("    MsgBox \"hello\"\r\n");
  writers::ovba::ModuleSpec module;
  module.name = "NewMacros";
  module.source = "Attribute VB_Name = \"NewMacros\"\r\nSub AutoOpen()\r\n" + body + "End Sub\r\n";
  for (const auto& stream : writers::ovba::BuildVbaProject({module}).streams) {
    builder.AddStream("Macros/" + stream.path, stream.bytes);
  }
  return builder.Build();
}

}  // namespace qv::cli::test
