// Writes VBA compressed containers ([MS-OVBA] 2.4.1): a signature byte, then chunks of at most
// 4,096 text bytes. The compressor searches real matches and emits copy tokens (so round trips
// exercise every offset/length split), or stores a chunk raw when compression would not make it
// smaller; ChunkBuilder writes single chunks token by token for hand-made cases.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace qv::writers::ovba {

inline constexpr size_t kChunkText = 4096;  // decompressed bytes per chunk

// Bits of the offset part of a copy token after `produced` bytes of the chunk.
unsigned OffsetBits(size_t produced);
// The largest offset and length a copy token can carry after `produced` bytes.
size_t MaxCopyOffset(size_t produced);
size_t MaxCopyLength(size_t produced);
// Stores a copy of `length` bytes from `offset` back, after `produced` bytes of the chunk.
uint16_t EncodeCopyToken(size_t offset, size_t length, size_t produced);

// A chunk header: chunk size - 3 in bits 0-11, signature 0b011, the compressed flag.
uint16_t ChunkHeader(size_t dataBytes, bool compressed);

// One compressed chunk built token by token. Flag bytes are placed automatically.
class ChunkBuilder {
 public:
  ChunkBuilder& Literal(uint8_t byte);
  ChunkBuilder& Literals(std::string_view text);
  // A copy token encoded for the current output count.
  ChunkBuilder& Copy(size_t offset, size_t length);
  // A copy token stored exactly as given (for malformed tokens); `produces` is what the
  // builder should assume the token adds to the output count.
  ChunkBuilder& RawToken(uint16_t token, size_t produces);

  size_t produced() const { return produced_; }
  // Flag bytes and tokens, without the header.
  const std::vector<uint8_t>& data() const { return data_; }
  // Header + data.
  std::vector<uint8_t> Build() const;

 private:
  void NextToken(bool copy);
  std::vector<uint8_t> data_;
  size_t flagIndex_ = 0;
  size_t tokensInGroup_ = 8;  // forces a flag byte before the first token
  size_t produced_ = 0;
};

enum class ChunkMode {
  Auto,          // compressed chunks with matches; raw when compression does not fit
  LiteralsOnly,  // compressed chunks without copy tokens (raw when too large)
  Raw,           // every chunk raw
};

struct Container {
  std::vector<uint8_t> bytes;  // signature byte 0x01, then the chunks
  // Zeros appended to the text because a final chunk shorter than 4,096 bytes was stored raw
  // (a raw chunk always holds 4,096 bytes).
  size_t padding = 0;
};

Container Compress(std::span<const uint8_t> text, ChunkMode mode = ChunkMode::Auto);
Container Compress(std::string_view text, ChunkMode mode = ChunkMode::Auto);

}  // namespace qv::writers::ovba
