// Time to decipher, parse and build the matcher for a library of 3,000 patterns and 1,000
// rules (what every SCanFileVirus call pays), and to read it from disk first.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "engine/signature/signature_set.h"
#include "tests/support/vlb/vlb_builder.h"

namespace {

// 3,000 patterns (mixed flags) and 1,000 rules, each over three patterns and often another rule.
std::string LargeSource() {
  std::mt19937 rng(3);
  std::string source;
  for (int i = 1; i <= 3000; ++i) {
    std::string text(6 + rng() % 20, ' ');
    for (char& c : text) c = static_cast<char>('A' + rng() % 26);
    source += "pattern " + std::to_string(i) + " \"" + text + "\"" + (i % 4 == 0 ? " case" : "") +
              (i % 7 == 0 ? " utf16" : "") + " note \"benchmark pattern\"\n";
  }
  for (int r = 1; r <= 1000; ++r) {
    const auto p = [&] { return "p(" + std::to_string(1 + rng() % 3000) + ")"; };
    source += "rule " + std::to_string(r) + " \"Bench.Rule." + std::to_string(r) + "\" = (" + p() + " + " + p() +
              " + " + p() + ") / 3 > 0.5" + (r > 1 ? " or r(" + std::to_string(1 + rng() % (r - 1)) + ") > 0" : "") +
              "\n";
  }
  return source;
}

const std::vector<uint8_t>& Image() {
  static const std::vector<uint8_t> image = qv::test::BuildLibrary(LargeSource());
  return image;
}

void BM_BuildTablesFromImage(benchmark::State& state) {
  const std::vector<uint8_t>& image = Image();
  for (auto _ : state) {
    auto tables = qv::BuildTablesFromImage(image.data(), image.size(), nullptr);
    if (!tables) state.SkipWithError("library unusable");
    benchmark::DoNotOptimize(tables);
  }
  state.counters["library_bytes"] = static_cast<double>(image.size());
}
BENCHMARK(BM_BuildTablesFromImage)->Unit(benchmark::kMillisecond);

void BM_LoadAndBuild(benchmark::State& state) {
  const auto folder = std::filesystem::temp_directory_path() / "bench-library";
  std::filesystem::create_directories(folder);
  qv::test::WriteLibraryBeside(folder.string(), Image());
  const std::u16string path = (folder / "qzmacro.vlb").u16string();
  for (auto _ : state) {
    std::vector<uint8_t> image;
    if (qv::LoadLibraryFile(path, image) != qv::kLibraryLoaded) state.SkipWithError("cannot load");
    auto tables = qv::BuildTablesFromImage(image.data(), image.size(), nullptr);
    benchmark::DoNotOptimize(tables);
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LoadAndBuild)->Unit(benchmark::kMillisecond);

}  // namespace
