// Time to decipher, parse and build the matcher for a library of 3,000 patterns and 1,000
// rules (what every SCanFileVirus call pays), and to read it from disk first; and the
// matching speed of the shipped library over ordinary module text.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "engine/common/work_area.h"
#include "engine/signature/signature_set.h"
#include "engine/signature/signature_tables.h"
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

bool CountReport(const char*, qv::WorkArea&) { return true; }

// 1 MiB of ordinary module source through the shipped rules (nothing should fire).
void BM_MatchShippedLibrary(benchmark::State& state) {
  const std::vector<uint8_t> image = qv::test::BuildShippedLibrary();
  auto tables = qv::BuildTablesFromImage(image.data(), image.size(), &CountReport);
  if (!tables) {
    state.SkipWithError("shipped library unusable");
    return;
  }
  auto area = std::make_unique<qv::WorkArea>();
  qv::AttachWorkArea(*tables, *area);
  const std::string line =
      "    ActiveSheet.Cells(Row, 3).Value = Format(Total / Count, \"0.00\") ' quarterly report\r\n";
  std::string text = "Attribute VB_Name = \"Report\"\r\nSub BuildReport()\r\n";
  while (text.size() < (1u << 20)) text += line;
  int32_t fired = 0;
  for (auto _ : state) {
    fired += qv::MatchRulesCounted(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()),
                                   *tables);
  }
  if (fired != 0) state.SkipWithError("a shipped rule fired on ordinary text");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_MatchShippedLibrary)->Unit(benchmark::kMillisecond);

}  // namespace
