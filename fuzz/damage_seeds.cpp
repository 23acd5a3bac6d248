// Writes the damaged kin of seed files that script-made corpora hold (fuzz/corpus_damage.h):
//   damage_seeds BOUNDARY FILE...
// Each FILE gets FILE-cut…, FILE-flip… and FILE-field… beside it.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/corpus_damage.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s BOUNDARY FILE...\n", argv[0]);
    return 2;
  }
  const size_t boundary = std::strtoul(argv[1], nullptr, 10);
  for (int i = 2; i < argc; ++i) {
    const std::filesystem::path seed = argv[i];
    std::ifstream in(seed, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in.good() && !in.eof()) return 1;
    if (!qv::fuzzseed::WriteWithDamage(seed.parent_path(), seed.filename().string(), bytes, boundary)) return 1;
  }
  return 0;
}
