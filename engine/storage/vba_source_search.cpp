#include "engine/storage/vba_source_search.h"

#include <algorithm>
#include <cstring>

#include "engine/storage/vba_decompress.h"
#include "engine/storage/vba_layout.h"

namespace qv {

namespace {

constexpr size_t kNoCandidate = SIZE_MAX;

// Bytes a candidate needs from its signature byte on: signature + header + one more byte.
constexpr size_t kCandidateSpan = 4;

// The first candidate at or after `from`.
size_t NextCandidate(ByteReader stream, size_t from) {
  if (stream.size() < kCandidateSpan) return kNoCandidate;
  const size_t last = stream.size() - kCandidateSpan;
  const uint8_t* bytes = stream.data();
  while (from <= last) {
    const void* hit = std::memchr(bytes + from, vba::kContainerSignature, last - from + 1);
    if (hit == nullptr) return kNoCandidate;
    const size_t position = static_cast<size_t>(static_cast<const uint8_t*>(hit) - bytes);
    if (IsContainerCandidate(stream, position)) return position;
    from = position + 1;
  }
  return kNoCandidate;
}

ByteReader ContainerAt(ByteReader stream, size_t candidate) {
  return stream.Slice(candidate + 1, stream.size() - candidate - 1);
}

}  // namespace

bool IsContainerCandidate(ByteReader stream, size_t position) {
  if (!stream.Has(position, kCandidateSpan)) return false;
  return *stream.U8(position) == vba::kContainerSignature &&
         (*stream.U8(position + 2) & 0xF0) == vba::kCompressedHeaderHighNibble;
}

uint32_t FindModuleSource(ByteReader stream, uint32_t streamSize, std::span<uint8_t> text) {
  if (text.size() < kModuleSourceTagBytes) return 0;

  // Whether a text begins with "Attribute" depends only on its first nine bytes, and these
  // come out the same whether a candidate is decoded into nine bytes or into the whole
  // buffer. So every candidate is first decoded into a nine-byte probe, and only the one
  // candidate that decides the result is decoded in full; a stream full of false candidates
  // then costs a few bytes per candidate instead of a whole text buffer each.
  size_t chosen = kNoCandidate;
  size_t last = kNoCandidate;
  for (size_t p = NextCandidate(stream, 0); p != kNoCandidate; p = NextCandidate(stream, p + 1)) {
    uint8_t probe[kModuleSourceTagBytes] = {};
    DecompressContainer(ContainerAt(stream, p), probe);
    if (std::memcmp(probe, kModuleSourceTag, kModuleSourceTagBytes) == 0) {
      chosen = p;
      break;
    }
    last = p;
  }
  const size_t decisive = chosen != kNoCandidate ? chosen : last;
  if (decisive == kNoCandidate) return 0;

  // Zeros after the text: a partial text judged with a longer length never carries bytes
  // that another candidate left behind.
  std::fill(text.begin(), text.end(), uint8_t{0});
  const DecompressResult result = DecompressContainer(ContainerAt(stream, decisive), text);
  if (result.ok()) return result.produced;
  if (chosen == kNoCandidate) return 0;
  return static_cast<uint32_t>(std::min<size_t>(streamSize, text.size()));
}

}  // namespace qv
