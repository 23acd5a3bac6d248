// Container decompression and the candidate search over arbitrary bytes. The input is both
// a container (after its signature byte) and a whole stream searched for candidates.
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/common/byte_reader.h"
#include "engine/common/capacities.h"
#include "engine/storage/vba_decompress.h"
#include "engine/storage/vba_source_search.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Exactly the text buffer's size on the heap, so that a write past it is caught.
  static std::vector<uint8_t> text(qv::cap::kSourceTextBytes);
  const qv::ByteReader input(data, size);

  std::memset(text.data(), 0, text.size());
  const qv::DecompressResult full = qv::DecompressContainer(input, text);
  if (full.produced > text.size()) __builtin_trap();

  // The candidate search judges candidates by decoding only their first nine bytes; these
  // must be the first nine bytes of the full decoding.
  uint8_t probe[qv::kModuleSourceTagBytes] = {};
  const qv::DecompressResult head = qv::DecompressContainer(input, probe);
  if (head.produced > sizeof probe) __builtin_trap();
  if (std::memcmp(probe, text.data(), sizeof probe) != 0) __builtin_trap();

  const uint32_t length = qv::FindModuleSource(input, static_cast<uint32_t>(size), text);
  if (length > text.size()) __builtin_trap();
  return 0;
}
