// Little-endian appends to a byte vector, shared by the document writers.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace qv::writers {

using Bytes = std::vector<uint8_t>;

inline void PutU8(Bytes& out, uint8_t v) { out.push_back(v); }
inline void PutU16(Bytes& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void PutU32(Bytes& out, uint32_t v) {
  PutU16(out, static_cast<uint16_t>(v));
  PutU16(out, static_cast<uint16_t>(v >> 16));
}
inline void PutBytes(Bytes& out, const Bytes& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }
inline void PutText(Bytes& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }
// ASCII text as UTF-16 little-endian code units.
inline void PutUtf16(Bytes& out, std::string_view ascii) {
  for (char c : ascii) PutU16(out, static_cast<uint8_t>(c));
}

// Overwrites bytes already written.
inline void SetU16(Bytes& out, size_t at, uint16_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void SetU32(Bytes& out, size_t at, uint32_t v) {
  SetU16(out, at, static_cast<uint16_t>(v));
  SetU16(out, at + 2, static_cast<uint16_t>(v >> 16));
}

// Zero bytes up to a multiple of `unit`, or up to `size` at least.
inline void PadTo(Bytes& out, size_t unit) { out.resize((out.size() + unit - 1) / unit * unit, 0); }
inline void PadAtLeast(Bytes& out, size_t size) {
  if (out.size() < size) out.resize(size, 0);
}

}  // namespace qv::writers
