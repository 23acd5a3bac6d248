#include "tests/word/document_fixture.h"

#include "engine/flow/call_flow.h"
#include "engine/storage/doc_file.h"
#include "tests/support/bytes/test_bytes.h"
#include "tests/support/ovba/module_stream.h"
#include "writers/ovba/vba_project.h"
#include "tests/support/vlb/vlb_builder.h"
#include "tests/support/word/word_streams.h"

namespace qv::test {

std::string InfectedModuleSource() {
  return writers::ovba::ModuleSource(
      "Module1", std::string("Sub AutoOpen()\r\n  MsgBox \"") + qv::test::kTestSignatureText + "\"\r\nEnd Sub\r\n");
}

std::string CleanModuleSource() {
  return writers::ovba::ModuleSource("Module1", "Sub Report()\r\n  MsgBox \"Quarterly figures\"\r\nEnd Sub\r\n");
}

writers::CfbFile BuildWord97(const Word97Options& options) {
  writers::CfbBuilder builder;
  if (options.withWordDocument) {
    auto fib = Word97DocumentStream(options.fcCmds, 0x40, 8192);
    if (options.wordDocumentBytes != 0 && options.wordDocumentBytes < fib.size()) fib.resize(options.wordDocumentBytes);
    builder.AddStream("WordDocument", fib);
  }
  if (options.tableStream != nullptr) {
    builder.AddStream(options.tableStream, WordTableStream(4096, options.fcCmds));
  }
  if (options.withMacros) {
    const auto project = writers::ovba::BuildVbaProject({{"Module1", options.moduleSource}});
    for (const auto& stream : project.streams) builder.AddStream("Macros/" + stream.path, stream.bytes);
  }
  if (options.padding != 0) builder.AddStream("Data", qv::test::PatternBytes(options.padding, 7));
  return builder.BuildFile();
}

TakenUpDocument::TakenUpDocument(const std::filesystem::path& path, uint8_t mode) : area_(new WorkArea()) {
  dispatched_ = ExamineFile(*area_, U16(path), mode);
}

TakenUpDocument::~TakenUpDocument() {
  if (area_->docFile != nullptr) {
    CloseDocFile(*area_->docFile);
    FreeDocFile(area_->docFile);
    area_->docFile = nullptr;
  }
}

}  // namespace qv::test
