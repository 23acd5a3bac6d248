// Streams of a compound file: one current stream per DocFile, opened by directory entry id,
// read sequentially or at offsets, closed before the next one is opened. Small streams are
// read through the root cursor (the mini stream).
#pragma once

#include <cstdint>

#include "engine/storage/doc_file.h"

namespace qv {

// OpenStream results.
inline constexpr int kStreamOpened = 0;
inline constexpr int kStreamBadId = 1;       // id not below DirCount; current cursor unchanged
inline constexpr int kStreamNotStream = 13;  // neither a stream nor the root; cursor unchanged
inline constexpr int kStreamEmpty = 14;      // size 0, no starting sector or no chain

// Makes entry `id` the current stream at position 0. A stream smaller than the header's
// Mini Stream Cutoff Size lives in the mini stream (never entry 0). Chain lists of more than
// 3,008 sectors are registered heap blocks, except for streams of 10 MiB or more, which are
// read only up to their first 3,008 sectors. A heap list that cannot be had fails the open
// with kStreamEmpty and leaves no transferable stream. Call CloseStream afterwards either way.
int OpenStream(DocFile& doc, uint32_t id);

// Rewinds the current stream and releases its heap chain list; 1 when one was released.
int CloseStream(DocFile& doc);

// Moves to `offset` from the start (origin 0) or from the current position (origin 1).
// 1 when the new position is inside the stream (0 <= p < size), else 0 and unchanged.
int SeekStream(DocFile& doc, int32_t offset, int origin);
int32_t TellStream(const DocFile& doc);
// A positive delta seeks from the current position; otherwise position + delta from the
// start (0 when negative).
int SkipStream(DocFile& doc, int32_t delta);

// Reads up to `length` bytes at the current position, cut at the stream's size. The count
// read; 0 for no buffer, a negative length, a position at or past the size, or a failure
// part-way (the position then stays advanced by what was read).
int32_t ReadStream(DocFile& doc, void* buffer, int32_t length);

// Little-endian values at the current position (the position moves past them). Bytes that
// cannot be read answer 0. The ...At forms seek from the start first; a refused seek reads
// nothing and answers 0. Where 0 could be a real value, use StreamFields.
uint8_t ReadU8(DocFile& doc);
uint16_t ReadU16(DocFile& doc);
uint32_t ReadU32(DocFile& doc);
uint8_t ReadU8At(DocFile& doc, int32_t offset);
uint16_t ReadU16At(DocFile& doc, int32_t offset);
uint32_t ReadU32At(DocFile& doc, int32_t offset);

// Values at offsets of the current stream with a sticky error: the first value that cannot
// be read whole (a refused seek, a short read) sets failed() for good, and that value and
// every later one answer 0. Check failed() before acting on what was read.
class StreamFields {
 public:
  explicit StreamFields(DocFile& doc) : doc_(doc) {}
  uint8_t U8At(int32_t offset);
  uint16_t U16At(int32_t offset);
  uint32_t U32At(int32_t offset);
  bool failed() const { return failed_; }
  bool ok() const { return !failed_; }

 private:
  bool Read(int32_t offset, uint8_t* out, int32_t width);
  DocFile& doc_;
  bool failed_ = false;
};

}  // namespace qv
