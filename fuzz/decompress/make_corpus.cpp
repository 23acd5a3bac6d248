// Writes the seed corpus of fuzz_decompress: containers (without their signature byte) and
// whole module streams, all built by the test compressor.
// Beside every seed go its damaged kin (fuzz/corpus_damage.h).
#include "fuzz/corpus_damage.h"
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/ovba/module_stream.h"
#include "writers/ovba/compressor.h"
#include "writers/ovba/vba_project.h"

namespace ovba = qv::writers::ovba;

static bool Write(const std::string& folder, const std::string& name, const std::vector<uint8_t>& bytes,
                  size_t skip = 0) {
  return qv::fuzzseed::WriteWithDamage(folder, name, std::vector<uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(skip), bytes.end()), 1);
}

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  const std::string source = ovba::ModuleSource(
      "Module1", "Sub AutoOpen()\r\n  Dim s As String\r\n  s = \"abcabcabcabcabcabc\"\r\nEnd Sub\r\n");
  std::string longSource;
  while (longSource.size() < 9000) longSource += "x = x + 1 ' " + std::to_string(longSource.size()) + "\r\n";

  ovba::ChunkBuilder overlap;
  overlap.Literals("ab").Copy(2, 40).Literal('!').Copy(1, 18);
  std::vector<uint8_t> overlapChunk = overlap.Build();

  std::vector<uint8_t> damaged = ovba::Compress(ovba::ModuleSource("Damaged", longSource)).bytes;
  damaged.resize(damaged.size() / 2);

  const ovba::VbaProject project = ovba::BuildVbaProject({{"Module1", source, ovba::ModuleKind::Procedural, {}}});

  bool ok = true;
  // Containers, after the signature byte.
  ok &= Write(folder, "container_source", ovba::Compress(source).bytes, 1);
  ok &= Write(folder, "container_two_chunks", ovba::Compress(longSource).bytes, 1);
  ok &= Write(folder, "container_raw", ovba::Compress(longSource.substr(0, 4096), ovba::ChunkMode::Raw).bytes, 1);
  ok &= Write(folder, "container_overlap", overlapChunk);
  ok &= Write(folder, "container_dir", project.Stream("VBA/dir").bytes, 1);
  // Whole streams, for the candidate search.
  ok &= Write(folder, "stream_module", qv::test::ovba::BuildModuleStream(source).bytes);
  ok &= Write(folder, "stream_damaged", damaged);
  ok &= Write(folder, "stream_cache_only", qv::test::ovba::FakePerformanceCache());
  return ok ? 0 : 1;
}
