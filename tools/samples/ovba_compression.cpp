#include "tools/samples/ovba_compression.h"

#include <algorithm>

namespace qv::samples {
namespace {

constexpr size_t kChunkText = 4096;

// Bits of a copy token that hold the offset, after `produced` bytes of the chunk.
unsigned OffsetBits(size_t produced) {
  unsigned bits = 4;
  while ((size_t{1} << bits) < produced) ++bits;
  return bits;
}

uint16_t ChunkHeader(size_t chunkBytes, bool compressed) {  // chunkBytes: header included
  return static_cast<uint16_t>((chunkBytes - 3) | 0x3000 | (compressed ? 0x8000 : 0));
}

// One chunk compressed; empty when the result would exceed the 4,096 data bytes of a chunk.
Bytes CompressChunk(std::string_view chunk) {
  Bytes data;
  size_t pos = 0;
  while (pos < chunk.size()) {
    const size_t flagAt = data.size();
    data.push_back(0);
    for (int token = 0; token < 8 && pos < chunk.size(); ++token) {
      const unsigned bits = OffsetBits(pos);
      const size_t maxLength = (size_t{0xFFFF} >> bits) + 3;
      size_t bestLength = 0, bestOffset = 0;
      for (size_t from = pos; from-- > 0;) {  // the nearest of the longest matches
        size_t length = 0;
        while (pos + length < chunk.size() && length < maxLength && chunk[from + length] == chunk[pos + length]) ++length;
        if (length > bestLength) {
          bestLength = length;
          bestOffset = pos - from;
        }
      }
      if (bestLength >= 3) {
        const uint16_t copy = static_cast<uint16_t>(((bestOffset - 1) << (16 - bits)) | (bestLength - 3));
        PutU16(data, copy);
        data[flagAt] |= static_cast<uint8_t>(1u << token);
        pos += bestLength;
      } else {
        data.push_back(static_cast<uint8_t>(chunk[pos]));
        ++pos;
      }
    }
    if (data.size() > kChunkText) return {};
  }
  return data;
}

}  // namespace

Bytes CompressContainer(std::string_view text) {
  Bytes out{0x01};
  for (size_t at = 0; at < text.size(); at += kChunkText) {
    const std::string_view chunk = text.substr(at, kChunkText);
    Bytes data = CompressChunk(chunk);
    if (data.empty()) {
      // A raw chunk always holds 4,096 bytes: a short last chunk stored raw gains zeros at
      // its end. Only text with next to no repetition gets here, never module source.
      data.assign(chunk.begin(), chunk.end());
      data.resize(kChunkText, 0);
      PutU16(out, ChunkHeader(kChunkText + 2, false));
    } else {
      PutU16(out, ChunkHeader(data.size() + 2, true));
    }
    PutBytes(out, data);
  }
  return out;
}

}  // namespace qv::samples
