// Writes the seed corpus of fuzz_cfb into the folder given as its argument. Run by hand
// after changing it; its output is committed in corpus/.
#include <fstream>
#include <iostream>
#include <string>

#include "fuzz/corpus_damage.h"
#include "fuzz/sample_seeds.h"
#include "tests/support/bytes/test_bytes.h"
#include "writers/cfb/compound_writer.h"

using namespace qv::test;
using namespace qv::writers;
using Kind = StreamPlacement::Kind;

namespace {

// The seed and its damaged kin: cut at sector boundaries, flipped, header fields at extremes.
void Write(const std::string& folder, const std::string& name, const std::vector<uint8_t>& bytes) {
  qv::fuzzseed::WriteWithDamage(folder, name, bytes, 512, qv::fuzzseed::CompoundHeaderFields());
}

CfbFile WordLike() {
  CfbBuilder b;
  b.AddStream("WordDocument", PatternBytes(5000, 1));
  b.AddStream("1Table", PatternBytes(1200, 2));
  b.AddStream("Macros/PROJECT", PatternBytes(300, 3));
  b.AddStream("Macros/VBA/dir", PatternBytes(500, 4));
  b.AddStream("Macros/VBA/Module1", PatternBytes(4500, 5), {Kind::Auto, {}, true});
  b.AddStream("Macros/VBA/_VBA_PROJECT", PatternBytes(7, 6));
  return b.BuildFile();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_cfb_corpus <folder>\n";
    return 2;
  }
  const std::string dir = argv[1];
  Write(dir, "word-like", WordLike().bytes);

  CfbBuilder heapDirectory;
  heapDirectory.SetMinDirectorySectors(16).SetTreeShape(TreeShape::RightChain);
  for (int i = 0; i < 6; ++i) heapDirectory.AddStream("S/T" + std::to_string(i), PatternBytes(90 * i + 5, i));
  Write(dir, "heap-directory", heapDirectory.Build());

  CfbBuilder difat;
  difat.SetMinFatSectors(111);
  difat.AddStream("Book", PatternBytes(4200, 7));
  difat.AddStream("Small", PatternBytes(70, 8));
  Write(dir, "difat", difat.Build());

  CfbBuilder cutoff;
  cutoff.SetMiniCutoff(100);
  cutoff.AddStream("A", PatternBytes(99, 9), {Kind::Auto, {}, true});
  cutoff.AddStream("B", PatternBytes(1000, 10), {Kind::Auto, {}, true});
  Write(dir, "cutoff-100", cutoff.Build());

  CfbFile loops = WordLike();
  loops.SetFatEntry(loops.entries[loops.IdOf("WordDocument")].sectors[3], loops.entries[1].sectors[0]);
  loops.SetMiniFatEntry(loops.entries[loops.IdOf("1Table")].sectors[2], loops.entries[loops.IdOf("1Table")].sectors[0]);
  const uint32_t vba = loops.IdOf("Macros/VBA");
  loops.SetEntryU32(loops.IdOf("Macros/VBA/dir"), cfbc::kRight, loops.EntryU32(vba, cfbc::kChild));
  loops.SetEntryU32(loops.IdOf("Macros/VBA/dir"), cfbc::kLeft, loops.EntryU32(vba, cfbc::kChild));
  Write(dir, "loops", loops.bytes);

  // Every compound-file sample the sample maker writes.
  for (const auto& sample : qv::fuzzseed::SampleDocuments()) {
    if (sample.compound) Write(dir, "sample-" + sample.fileName, sample.bytes);
  }
  return 0;
}
