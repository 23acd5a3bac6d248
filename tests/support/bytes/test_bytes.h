// Byte images for tests: recognisable patterns and the first place two images differ.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace qv::test {

// Bytes of a repeatable pattern, distinct per seed, so that misplaced bytes show.
std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed);

// The first offset at which two images differ, or nullopt when equal (lengths included).
std::optional<size_t> FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

}  // namespace qv::test
