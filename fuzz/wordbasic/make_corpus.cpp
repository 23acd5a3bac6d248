// Writes the seed corpus of fuzz_wordbasic: "WordDocument" streams of Word 6.0 documents made
// with the sample maker's writer, one per shape the macro table walk cares about.
// Beside every seed go its damaged kin (fuzz/corpus_damage.h).
#include "fuzz/corpus_damage.h"
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "writers/word/word6_writer.h"

using namespace qv::writers;

namespace {

void Write(const std::filesystem::path& folder, const std::string& name, const Bytes& bytes) {
  qv::fuzzseed::WriteWithDamage(folder, name, bytes, 1);
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);

  Word6Document none;
  none.text = "No macros.";
  Write(folder, "no_macros", BuildWord6Stream(none).bytes);

  Word6Document two;
  two.text = "Two macros.";
  two.macros = {{"AutoOpen", 0x5A, Text("\x01\x00 Global:AutoOpen")}, {"Tidy", 0, Text("\x01\x00 tidy")}};
  Write(folder, "two_macros_keyed", BuildWord6Stream(two).bytes);

  Word6Stream cut = BuildWord6Stream(two);
  SetU16(cut.bytes, cut.tableOffset + 2, 40);  // count past the table
  Write(folder, "count_past_table", cut.bytes);

  Word6Document many;
  for (int i = 0; i < 12; ++i) many.macros.push_back({"M" + std::to_string(i), static_cast<uint8_t>(i * 17), Text("REM x")});
  Write(folder, "twelve_macros", BuildWord6Stream(many).bytes);
  return 0;
}
