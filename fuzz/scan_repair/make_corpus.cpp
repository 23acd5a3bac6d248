// Writes the seed corpus of the scan_repair fuzz target: small infected and clean Word 97
// documents, a Word 6 document and a presentation-like file, built with the test builders,
// every compound-file sample of the sample maker, and the damaged kin of each.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/corpus_damage.h"
#include "fuzz/sample_seeds.h"
#include "tests/support/bytes/test_bytes.h"
#include "writers/cfb/compound_writer.h"
#include "tests/support/ovba/module_stream.h"
#include "writers/ovba/vba_project.h"
#include "tests/support/word/word_streams.h"

namespace {

// The seed and its damaged kin: cut at sector boundaries, flipped, header fields at extremes.
void Write(const std::string& folder, const std::string& name, const std::vector<uint8_t>& bytes) {
  qv::fuzzseed::WriteWithDamage(folder, name, bytes, 512, qv::fuzzseed::CompoundHeaderFields());
}

std::vector<uint8_t> Word97(const std::string& body, bool withTable) {
  qv::writers::CfbBuilder builder;
  builder.AddStream("WordDocument", qv::test::Word97DocumentStream(0x80, 0x20, 1024));
  if (withTable) builder.AddStream("1Table", qv::test::WordTableStream(512, 0x80));
  const auto project = qv::writers::ovba::BuildVbaProject({{"Module1", qv::writers::ovba::ModuleSource("Module1", body)}});
  for (const auto& stream : project.streams) builder.AddStream("Macros/" + stream.path, stream.bytes);
  return builder.Build();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  const std::string infected = "Sub AutoOpen()\r\n MsgBox \"QUORVANE-MACRO-TEST-SIGNATURE\"\r\nEnd Sub\r\n";
  Write(folder, "word97-infected", Word97(infected, true));
  Write(folder, "word97-infected-0table", Word97(infected, false));
  Write(folder, "word97-clean", Word97("Sub Report()\r\nEnd Sub\r\n", true));

  const auto word6 = qv::test::Word6DocumentStream({{40, 0xFFFF}, {30, 0x0000}});
  qv::writers::CfbBuilder old;
  old.AddStream("WordDocument", word6.stream);
  old.AddStream("Module", qv::test::ovba::BuildModuleStream(qv::writers::ovba::ModuleSource("M", infected)).bytes);
  Write(folder, "word6-infected", old.Build());

  qv::writers::CfbBuilder slides;
  slides.AddStream("PowerPoint Document", std::vector<uint8_t>(600, 0x11));
  slides.AddStream("VBA/Module1", qv::test::ovba::BuildModuleStream(qv::writers::ovba::ModuleSource("Module1", infected)).bytes);
  Write(folder, "presentation-infected", slides.Build());

  // Every compound-file sample the sample maker writes (the encrypted package included).
  for (const auto& sample : qv::fuzzseed::SampleDocuments()) {
    if (sample.compound) Write(folder, "sample-" + sample.fileName, sample.bytes);
  }
  return 0;
}
