// Fuzz inputs that stand for two streams of one document: a u16 length, that many bytes of
// the first stream, the rest the second. The targets split them; the corpus makers join them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qv::fuzzing {

struct TwoStreams {
  const uint8_t* first;
  size_t firstSize;
  const uint8_t* second;
  size_t secondSize;
};

// Needs size >= 2; a length past the end takes what there is.
inline TwoStreams SplitTwoStreams(const uint8_t* data, size_t size) {
  const size_t firstSize = std::min<size_t>(data[0] | (data[1] << 8), size - 2);
  return {data + 2, firstSize, data + 2 + firstSize, size - 2 - firstSize};
}

inline std::vector<uint8_t> JoinTwoStreams(const std::vector<uint8_t>& first, const std::vector<uint8_t>& second) {
  std::vector<uint8_t> out{static_cast<uint8_t>(first.size()), static_cast<uint8_t>(first.size() >> 8)};
  out.insert(out.end(), first.begin(), first.end());
  out.insert(out.end(), second.begin(), second.end());
  return out;
}

}  // namespace qv::fuzzing
