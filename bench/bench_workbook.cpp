// The hidden-sheet walk and the hidden-sheet clean-up over built workbook streams: plain
// workbooks of growing size, and a hostile one whose sheets all point at one substream
// (the walk must stay linear in the stream's size).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/office/excel_cleanup.h"
#include "engine/office/excel_hidden_sheets.h"
#include "engine/storage/doc_file.h"
#include "tests/support/biff/record_chain.h"

namespace {

using namespace qv::test::biff;
using namespace qv::writers::biff;

class CountingJudge final : public qv::FormulaJudge {
 public:
  void Judge(const uint8_t*, uint32_t length) override { bytes += length; }
  uint64_t bytes = 0;
};

std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// `sheets` hidden macro sheets of 40 formulas and 40 number cells each.
Bytes PlainWorkbook(int sheets) {
  Workbook book;
  for (int s = 0; s < sheets; ++s) {
    Sheet sheet{.name = Wide("Macro" + std::to_string(s)), .hsState = kHidden, .dt = kMacroSheet};
    for (uint16_t row = 0; row < 40; ++row) {
      sheet.records.push_back(Formula(StringToken("=SET.VALUE(R" + std::to_string(row) + "C1,FALSE)"), std::nullopt, row));
      sheet.records.push_back(Number(row, 2, row));
    }
    book.sheets.push_back(sheet);
  }
  book.afterSheets = {BuiltinName(0x01), BuiltinName(0x06)};
  return BuildWorkbook(book).stream;
}

// `sheets` hidden sheets whose lbPlyPos all lead to the first sheet's substream, which holds
// 16 KB of formulas.
Bytes OverlappingWorkbook(int sheets) {
  Workbook book;
  std::vector<Bytes> formulas;
  for (int i = 0; i < 16; ++i) formulas.push_back(Formula(Bytes(1000, static_cast<uint8_t>(i))));
  for (int s = 0; s < sheets; ++s) {
    book.sheets.push_back({.name = Wide("M" + std::to_string(s)), .hsState = kHidden, .dt = kMacroSheet,
                           .records = s == 0 ? formulas : std::vector<Bytes>{}});
  }
  const BuiltWorkbook first = BuildWorkbook(book);
  for (auto& sheet : book.sheets) sheet.position = first.sheetBofAt[0];
  return BuildWorkbook(book).stream;
}

void Walk(benchmark::State& state, const Bytes& stream) {
  auto doc = std::make_unique<qv::DocFile>();
  std::vector<uint8_t> visitMap((stream.size() + 7) / 8);
  CountingJudge judge;
  for (auto _ : state) {
    std::fill(visitMap.begin(), visitMap.end(), 0);
    qv::WalkHiddenSheets(*doc, qv::ByteReader(stream.data(), stream.size()), visitMap.data(), judge);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
  state.counters["stream_KiB"] = static_cast<double>(stream.size()) / 1024;
  state.counters["judged_per_walk_KiB"] =
      static_cast<double>(judge.bytes) / static_cast<double>(state.iterations()) / 1024;
}

void BM_WalkPlainWorkbook(benchmark::State& state) { Walk(state, PlainWorkbook(static_cast<int>(state.range(0)))); }
BENCHMARK(BM_WalkPlainWorkbook)->Arg(10)->Arg(100)->Arg(1000);

void BM_WalkOverlappingSheets(benchmark::State& state) {
  Walk(state, OverlappingWorkbook(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_WalkOverlappingSheets)->Arg(100)->Arg(10000)->Arg(100000);

void BM_CleanLastHiddenSheet(benchmark::State& state) {
  const int sheets = static_cast<int>(state.range(0));
  const Bytes original = PlainWorkbook(sheets);
  const std::u16string wanted = Wide("Macro" + std::to_string(sheets - 1));
  Bytes stream;
  for (auto _ : state) {
    state.PauseTiming();
    stream = original;
    state.ResumeTiming();
    qv::WorkbookImage image(stream.data(), static_cast<uint32_t>(stream.size()), nullptr);
    benchmark::DoNotOptimize(qv::CleanSheetRecords(image, wanted));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * original.size()));
}
BENCHMARK(BM_CleanLastHiddenSheet)->Arg(10)->Arg(1000);

}  // namespace
