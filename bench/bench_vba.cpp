// Module source extraction: decompression throughput of a whole text buffer, the candidate
// search over a typical module stream, and over a hostile stream in which every chunk is a
// false candidate that would fill the whole text buffer if decoded in full.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/common/capacities.h"
#include "engine/storage/vba_decompress.h"
#include "engine/storage/vba_source_search.h"
#include "tests/support/ovba/module_stream.h"
#include "writers/ovba/compressor.h"

namespace {

namespace ovba = qv::writers::ovba;

std::string SourceText(size_t bytes) {
  std::string body;
  for (int i = 0; body.size() < bytes; ++i) {
    body += "    If Len(target" + std::to_string(i % 97) + ") > 0 Then MsgBox \"Done\", vbInformation\r\n";
  }
  std::string text = ovba::ModuleSource("Module1", body);
  text.resize(bytes);
  return text;
}

// Seven-byte chunks: a literal, a copy of 4,098 bytes, and a literal 0x01 that makes the next
// chunk's header a candidate. Each candidate decodes to a full text buffer.
std::vector<uint8_t> HostileStream(size_t bytes) {
  std::vector<uint8_t> stream = {0x01};
  while (stream.size() < bytes) {
    const uint8_t chunk[] = {0x04, 0xB0, 0x02, 'x', 0xFF, 0x0F, 0x01};  // header, flags, tokens
    stream.insert(stream.end(), std::begin(chunk), std::end(chunk));
  }
  return stream;
}

void BM_DecompressFullBuffer(benchmark::State& state) {
  const std::vector<uint8_t> container = ovba::Compress(SourceText(qv::cap::kSourceTextBytes)).bytes;
  std::vector<uint8_t> text(qv::cap::kSourceTextBytes);
  for (auto _ : state) {
    const auto r = qv::DecompressContainer(qv::ByteReader(container.data() + 1, container.size() - 1), text);
    benchmark::DoNotOptimize(r);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_DecompressFullBuffer);

void BM_SearchModuleStream(benchmark::State& state) {
  const std::vector<uint8_t> stream = qv::test::ovba::BuildModuleStream(SourceText(static_cast<size_t>(state.range(0)))).bytes;
  std::vector<uint8_t> text(qv::cap::kSourceTextBytes);
  for (auto _ : state) {
    benchmark::DoNotOptimize(qv::FindModuleSource(qv::ByteReader(stream.data(), stream.size()),
                                                  static_cast<uint32_t>(stream.size()), text));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(stream.size()));
}
BENCHMARK(BM_SearchModuleStream)->Arg(2000)->Arg(40000);

void BM_SearchHostileStream(benchmark::State& state) {
  const std::vector<uint8_t> stream = HostileStream(static_cast<size_t>(state.range(0)));
  std::vector<uint8_t> text(qv::cap::kSourceTextBytes);
  for (auto _ : state) {
    benchmark::DoNotOptimize(qv::FindModuleSource(qv::ByteReader(stream.data(), stream.size()),
                                                  static_cast<uint32_t>(stream.size()), text));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(stream.size()));
}
BENCHMARK(BM_SearchHostileStream)->Arg(64 << 10)->Arg(1540096)->Unit(benchmark::kMillisecond);

// The same hostile stream decoded candidate by candidate in full, for comparison.
void BM_FullDecodePerCandidate(benchmark::State& state) {
  const std::vector<uint8_t> stream = HostileStream(static_cast<size_t>(state.range(0)));
  std::vector<uint8_t> text(qv::cap::kSourceTextBytes);
  for (auto _ : state) {
    for (size_t p = 0; p + 3 < stream.size(); ++p) {
      if (!qv::IsContainerCandidate(qv::ByteReader(stream.data(), stream.size()), p)) continue;
      benchmark::DoNotOptimize(
          qv::DecompressContainer(qv::ByteReader(stream.data() + p + 1, stream.size() - p - 1), text));
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(stream.size()));
}
BENCHMARK(BM_FullDecodePerCandidate)->Arg(64 << 10)->Unit(benchmark::kMillisecond);

}  // namespace
