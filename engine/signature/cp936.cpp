#include "engine/signature/cp936.h"

namespace qv {

std::optional<uint16_t> Cp936PairToUnit(uint8_t high, uint8_t low) {
  if (high < kCp936First || high > kCp936Last || low < kCp936First || low > kCp936Last) return std::nullopt;
  return kCp936Table[(high - kCp936First) * kCp936Span + (low - kCp936First)];
}

std::vector<uint16_t> ConvertPatternToUtf16(const uint8_t* pattern, size_t length, size_t capacity) {
  std::vector<uint16_t> units;
  if (pattern == nullptr) return units;
  units.reserve(length < capacity ? length : capacity);
  size_t i = 0;
  while (i < length && units.size() < capacity) {
    const uint8_t byte = pattern[i];
    if (byte < kCp936First) {
      units.push_back(byte);
      ++i;
      continue;
    }
    if (i + 1 == length) break;  // an unpaired lead byte at the end gives nothing
    const uint8_t next = pattern[i + 1];
    if (next >= kCp936First) {
      units.push_back(Cp936PairToUnit(byte, next).value_or(u'?'));
    } else {
      units.push_back(byte);
      if (units.size() < capacity) units.push_back(next);
    }
    i += 2;
  }
  return units;
}

}  // namespace qv
