// Code page 936 as the signature patterns use it: bytes below 0xA1 stand for themselves,
// two bytes of 0xA1 or above form one character of the double-byte part.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace qv {

inline constexpr uint8_t kCp936First = 0xA1;
inline constexpr uint8_t kCp936Last = 0xFE;
inline constexpr size_t kCp936Span = kCp936Last - kCp936First + 1;  // 94
inline constexpr size_t kCp936TableSize = kCp936Span * kCp936Span;   // 8,836

// Generated (scripts/gen-cp936.py): UTF-16 unit of the code (high, low), both in A1-FE, at
// (high - 0xA1) * 94 + (low - 0xA1).
extern const uint16_t kCp936Table[kCp936TableSize];

// The UTF-16 unit of a double-byte code; nullopt when a byte lies outside A1-FE.
std::optional<uint16_t> Cp936PairToUnit(uint8_t high, uint8_t low);

// Reads a pattern as code page 936 text and answers its UTF-16 code units, at most
// `capacity` of them: a byte below 0xA1 gives itself; a pair of bytes both 0xA1 or above
// gives the table's unit ('?' when the pair has none); a byte of 0xA1 or above followed by
// a lower byte gives both bytes as two units; such a byte at the very end gives nothing.
std::vector<uint16_t> ConvertPatternToUtf16(const uint8_t* pattern, size_t length, size_t capacity);

}  // namespace qv
