// Layout of a VBA compressed container as the module pass reads it: a signature byte, then
// chunks, each a 16-bit little-endian header followed by its data. Kept apart from the
// decoding so that the bit fields are named once.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv::vba {

inline constexpr uint8_t kContainerSignature = 0x01;  // first byte of every container
inline constexpr size_t kChunkHeaderBytes = 2;
inline constexpr size_t kDecompressedChunkBytes = 4096;  // what one chunk accounts for
inline constexpr size_t kTokensPerFlagByte = 8;
inline constexpr size_t kCopyTokenBytes = 2;

// Chunk header bits: 0-11 chunk size - 3, 12-14 signature 0b011, 15 compressed flag.
inline constexpr uint16_t kChunkSizeMask = 0x0FFF;
inline constexpr uint16_t kChunkSizeBias = 3;
inline constexpr uint16_t kChunkCompressedBit = 0x8000;
// The high nibble of a compressed chunk header's second byte (signature 0b011 + flag).
inline constexpr uint8_t kCompressedHeaderHighNibble = 0xB0;

// Bytes from the header's first byte to the end of the chunk, header included.
constexpr size_t ChunkTotalBytes(uint16_t header) {
  return static_cast<size_t>(header & kChunkSizeMask) + kChunkSizeBias;
}
constexpr bool ChunkIsCompressed(uint16_t header) { return (header & kChunkCompressedBit) != 0; }

// A copy token split into its parts.
struct CopyToken {
  uint32_t offset;  // bytes back from the current output position, at least 1
  uint32_t length;  // bytes to copy, at least 3
};

// Splits a copy token by the number of bytes already produced in the current chunk: the
// offset takes max(ceil(log2 produced), 4) high bits (at most 12), the length the rest.
constexpr CopyToken SplitCopyToken(uint16_t token, size_t producedInChunk) {
  uint32_t offsetBits = 4;
  while (offsetBits < 12 && (size_t{1} << offsetBits) < producedInChunk) ++offsetBits;
  const uint32_t lengthBits = 16 - offsetBits;
  const uint32_t lengthMask = (1u << lengthBits) - 1;
  return CopyToken{static_cast<uint32_t>(token >> lengthBits) + 1, (token & lengthMask) + 3u};
}

}  // namespace qv::vba
