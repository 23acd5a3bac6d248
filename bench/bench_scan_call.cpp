// The per-call cost of the engine on one small Word document with the shipped signature
// library: SCanFileVirus as a front end calls it once per file (its sessions kept between
// calls), an engine session of the C++ API, and a call in a fresh session (the library read,
// deciphered and built, the work area allocated: what every call cost before sessions).
// Report only; the quarantine and the library live in a relocated program folder.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "engine/include/scan_engine.h"
#include "engine/include/scanvirus.h"
#include "tests/cli/sample_documents.h"
#include "tests/support/engine/program_folder.h"

namespace {

using qv::test::ProgramFolder;
using qv::test::TempDir;
using qv::test::U16;

struct Document {
  ProgramFolder program;  // the library the build made, beside a pretend program
  TempDir docs;
  std::u16string path;
  Document() {
    const auto file = docs / "small.doc";
    qv::test::WriteFile(file, qv::cli::test::WordDocumentWithMacro(false, 16 * 1024));
    path = U16(file);
  }
};

void BM_ScanFileVirusPerCall(benchmark::State& state) {
  Document doc;
  std::u16string arg = doc.path;
  for (auto _ : state) {
    char16_t text[260] = {0};
    benchmark::DoNotOptimize(SCanFileVirus(arg.c_str(), 0, text));
  }
}
BENCHMARK(BM_ScanFileVirusPerCall);

void BM_SessionScan(benchmark::State& state) {
  Document doc;
  qv::api::Session session;
  for (auto _ : state) benchmark::DoNotOptimize(session.Scan(doc.path, {}));
}
BENCHMARK(BM_SessionScan);

void BM_FreshSessionScan(benchmark::State& state) {
  Document doc;
  for (auto _ : state) benchmark::DoNotOptimize(qv::api::ScanPath(doc.path, {}));
}
BENCHMARK(BM_FreshSessionScan);

}  // namespace
