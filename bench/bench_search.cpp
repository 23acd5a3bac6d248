// Search throughput of PatternSearcher over 1 MiB of VBA-like text with 10, 300 and 3,000
// patterns (identifier-like words, some exact, a few occurring in the text).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/signature/pattern_searcher.h"

namespace {

const char* const kVbaLines[] = {
    "Attribute VB_Name = \"ThisDocument\"\r\n",
    "Private Sub Document_Open()\r\n",
    "    Dim fso As Object, target As String, i As Integer\r\n",
    "    Set fso = CreateObject(\"Scripting.FileSystemObject\")\r\n",
    "    For i = 1 To ActiveDocument.VBProject.VBComponents.Count\r\n",
    "        target = Application.NormalTemplate.FullName & Chr(34)\r\n",
    "    Next i\r\n",
    "    If Len(target) > 0 Then MsgBox \"Done: \" & target, vbInformation\r\n",
    "End Sub\r\n",
    "' comment: keep the options as they were before saving\r\n",
};

std::string VbaText(size_t bytes) {
  std::mt19937 rng(7);
  std::string text;
  while (text.size() < bytes) text += kVbaLines[rng() % std::size(kVbaLines)];
  text.resize(bytes);
  return text;
}

// Identifier-like patterns of 5-16 bytes; every 50th is taken from the text so that it occurs.
std::vector<std::string> Patterns(size_t count) {
  std::mt19937 rng(11);
  const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_.(\"";
  std::vector<std::string> out;
  for (size_t i = 0; i < count; ++i) {
    if (i % 50 == 0) {
      const std::string line = kVbaLines[rng() % std::size(kVbaLines)];
      const size_t length = std::min<size_t>(6 + rng() % 8, line.size());
      out.push_back(line.substr(rng() % (line.size() - length + 1), length));
      continue;
    }
    std::string p(5 + rng() % 12, ' ');
    for (char& c : p) c = letters[rng() % letters.size()];
    out.push_back(p);
  }
  return out;
}

int CountOnly(uint32_t, uint32_t, void*) { return 0; }

void BM_SearchPatterns(benchmark::State& state) {
  const std::string text = VbaText(1 << 20);
  qv::PatternSearcher searcher;
  uint32_t id = 0;
  for (const std::string& p : Patterns(static_cast<size_t>(state.range(0)))) {
    qv::AddPattern(&searcher, reinterpret_cast<const uint8_t*>(p.data()), p.size(), id, id % 3 != 0);
    ++id;
  }
  qv::PreparePatterns(&searcher);
  int64_t found = 0;
  for (auto _ : state) {
    found = qv::SearchPatterns(&searcher, reinterpret_cast<const uint8_t*>(text.data()), text.size(), &CountOnly, nullptr);
    benchmark::DoNotOptimize(found);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
  state.counters["occurrences"] = static_cast<double>(found);
}
BENCHMARK(BM_SearchPatterns)->Arg(10)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);

}  // namespace
