// The one checked little-endian reader for document bytes. Every access checks offset and
// length against the size first, written so that the check itself cannot overflow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

namespace qv {

// True when [offset, offset + length) lies inside a buffer of `size` bytes.
constexpr bool InBounds(uint64_t offset, uint64_t length, uint64_t size) {
  return offset <= size && length <= size - offset;
}

// Unchecked little-endian loads for callers that have already checked the range.
inline uint16_t LoadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t LoadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void StoreU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void StoreU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A read-only view of bytes with checked reads; a failed read answers nullopt / false.
class ByteReader {
 public:
  ByteReader() = default;
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}

  size_t size() const { return size_; }
  const uint8_t* data() const { return data_; }
  bool Has(uint64_t offset, uint64_t length) const { return InBounds(offset, length, size_); }

  std::optional<uint8_t> U8(uint64_t offset) const {
    if (!Has(offset, 1)) return std::nullopt;
    return data_[offset];
  }
  std::optional<uint16_t> U16(uint64_t offset) const {
    if (!Has(offset, 2)) return std::nullopt;
    return LoadU16(data_ + offset);
  }
  std::optional<uint32_t> U32(uint64_t offset) const {
    if (!Has(offset, 4)) return std::nullopt;
    return LoadU32(data_ + offset);
  }
  // Copies `length` bytes to `out`; false (nothing copied) when the range is outside.
  bool Copy(uint64_t offset, void* out, uint64_t length) const {
    if (!Has(offset, length)) return false;
    if (length != 0) std::memcpy(out, data_ + offset, static_cast<size_t>(length));
    return true;
  }
  // A sub-view; an empty view when the range is outside.
  ByteReader Slice(uint64_t offset, uint64_t length) const {
    if (!Has(offset, length)) return {};
    return ByteReader(data_ + offset, static_cast<size_t>(length));
  }

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

// A reading position over a ByteReader with a sticky error: the first read that does not
// fit sets failed() for good and every read from then on answers 0, so a run of loads
// with computed offsets is checked once at its end instead of after every load.
class ByteCursor {
 public:
  ByteCursor() = default;
  explicit ByteCursor(ByteReader reader, uint64_t position = 0) : reader_(reader), position_(position) {}

  bool failed() const { return failed_; }
  bool ok() const { return !failed_; }
  uint64_t position() const { return position_; }
  void Seek(uint64_t position) { position_ = position; }

  uint8_t U8() { return Take<uint8_t>(1, [](const uint8_t* p) { return p[0]; }); }
  uint16_t U16() { return Take<uint16_t>(2, LoadU16); }
  uint32_t U32() { return Take<uint32_t>(4, LoadU32); }
  uint8_t U8At(uint64_t offset) { return Seek(offset), U8(); }
  uint16_t U16At(uint64_t offset) { return Seek(offset), U16(); }
  uint32_t U32At(uint64_t offset) { return Seek(offset), U32(); }
  // Copies `length` bytes and moves past them; zero-fills `out` and fails when they do not fit.
  bool Bytes(void* out, uint64_t length) {
    if (failed_ || !reader_.Copy(position_, out, length)) {
      Fail();
      if (length != 0) std::memset(out, 0, static_cast<size_t>(length));
      return false;
    }
    position_ += length;
    return true;
  }
  void Fail() { failed_ = true; }

 private:
  template <typename T, typename Load>
  T Take(uint64_t width, Load load) {
    if (failed_ || !reader_.Has(position_, width)) {
      failed_ = true;
      return 0;
    }
    const T value = load(reader_.data() + position_);
    position_ += width;
    return value;
  }

  ByteReader reader_;
  uint64_t position_ = 0;
  bool failed_ = false;
};

// A writable view with the same checks, for in-place patches of a buffer.
class ByteWriter {
 public:
  ByteWriter(uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}
  bool Has(uint64_t offset, uint64_t length) const { return InBounds(offset, length, size_); }
  bool U8(uint64_t offset, uint8_t v) {
    if (!Has(offset, 1)) return false;
    data_[offset] = v;
    return true;
  }
  bool U16(uint64_t offset, uint16_t v) {
    if (!Has(offset, 2)) return false;
    StoreU16(data_ + offset, v);
    return true;
  }
  bool U32(uint64_t offset, uint32_t v) {
    if (!Has(offset, 4)) return false;
    StoreU32(data_ + offset, v);
    return true;
  }

 private:
  uint8_t* data_;
  size_t size_;
};

}  // namespace qv
