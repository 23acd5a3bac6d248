// Writes a corpus of Word documents for the whole-run benchmark:
//   quorvane_make_corpus OUT_DIR COUNT MIN_KIB MAX_KIB INFECTED_EVERY
// Sizes are spread evenly (a fixed sequence, so runs compare); every INFECTED_EVERY-th
// document carries the test signature (0: none). Files go into 100 per subfolder.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/cli/sample_documents.h"

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s OUT_DIR COUNT MIN_KIB MAX_KIB INFECTED_EVERY\n", argv[0]);
    return 2;
  }
  const std::filesystem::path out = argv[1];
  const long count = std::atol(argv[2]), minKib = std::atol(argv[3]), maxKib = std::atol(argv[4]);
  const long infectedEvery = std::atol(argv[5]);
  if (count <= 0 || minKib <= 0 || maxKib < minKib || infectedEvery < 0) {
    std::fprintf(stderr, "make_corpus: bad numbers\n");
    return 2;
  }
  uint64_t total = 0;
  long infected = 0;
  for (long i = 0; i < count; ++i) {
    const long kib = minKib + (count == 1 ? 0 : (maxKib - minKib) * i / (count - 1));
    const bool isInfected = infectedEvery > 0 && i % infectedEvery == 0;
    // the document's own streams take about 16 KiB; the rest is a Data stream
    const size_t data = kib * 1024 > 16 * 1024 ? static_cast<size_t>(kib * 1024 - 16 * 1024) : 0;
    const auto bytes = qv::cli::test::WordDocumentWithMacro(isInfected, data);
    const auto folder = out / ("part" + std::to_string(i / 100));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / ("doc" + std::to_string(i) + ".doc"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    total += bytes.size();
    infected += isInfected ? 1 : 0;
  }
  std::printf("%ld files, %ld infected, %llu bytes\n", count, infected, static_cast<unsigned long long>(total));
  return 0;
}
