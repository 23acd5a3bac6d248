// Decompression of VBA compressed containers into a bounded text buffer. Hostile input:
// every read is checked against the container's end, every write against the buffer's end.
#pragma once

#include <cstdint>
#include <span>

#include "engine/common/byte_reader.h"

namespace qv {

inline constexpr uint32_t kStatusSuccess = 0;
inline constexpr uint32_t kStatusBadCompressionBuffer = 0xC0000242;

struct DecompressResult {
  uint32_t status = kStatusSuccess;
  // Bytes produced. After an error: the bytes written before the fault, which stay in the
  // output (the module pass may still judge a partial text).
  uint32_t produced = 0;

  bool ok() const { return status == kStatusSuccess; }
};

// Decodes one compressed chunk: `chunk` is its data after the header, up to the chunk's end;
// `out` runs from the output position to the end of the text buffer. The count produced is
// not limited to 4,096: a chunk may copy until the text buffer is full.
DecompressResult DecompressChunk(ByteReader chunk, std::span<uint8_t> out);

// Decodes a container: `input` starts after the signature byte and ends at the end of the
// stream. Output is bounded by `text`; a full buffer ends the container successfully.
DecompressResult DecompressContainer(ByteReader input, std::span<uint8_t> text);

}  // namespace qv
