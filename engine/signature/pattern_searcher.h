// Multi-pattern search over one buffer: every occurrence of any added pattern, some compared
// without regard to ASCII case and some exactly, in one pass (Wu-Manber shift table over the
// shortest pattern length with a two-byte hash into sorted groups); with fewer than five
// patterns, one Boyer-Moore-Horspool search per pattern.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qv {

// Results of AddPattern.
inline constexpr int kPatternAdded = 1;
inline constexpr int kSearchNoMemory = -1;
// Results shared by AddPattern, PreparePatterns and SearchPatterns.
inline constexpr int kSearchNoSearcher = -2;
inline constexpr int kSearchBadArgument = -3;   // missing bytes or length below 1
inline constexpr int kSearchNotPrepared = -4;   // preparing at the first search failed
inline constexpr int kPrepared = 0;

inline constexpr uint16_t kNoGroup = 0xFFFF;
inline constexpr uint32_t kSmallModeLimit = 5;  // fewer patterns than this: small mode
inline constexpr uint32_t kMaxShiftLength = 255;

struct SearchPattern {
  std::vector<uint8_t> upper;  // a-z turned into A-Z, every other byte unchanged
  std::vector<uint8_t> exact;  // as added
  uint32_t length = 0;
  uint32_t id = 0;
  bool noCase = true;          // false: `exact` must also equal the caller's text
  uint32_t sortedIndex = 0;
  std::vector<uint32_t> horspool;  // 256 shifts, small mode only
};

enum class SearchMethod { Small, Grouped };

struct PatternSearcher {
  std::vector<SearchPattern> patterns;  // in the order added
  SearchMethod method = SearchMethod::Small;
  std::vector<uint32_t> sorted;         // indexes into `patterns`, sorted by `upper`
  std::vector<uint16_t> hash2;          // 65,536 entries: first sorted index of a two-byte group
  std::vector<uint16_t> group2Size;     // per sorted index: size of the group starting there
  std::array<uint16_t, 256> hash1{};    // first sorted index of a one-byte (length-1) group
  std::vector<uint16_t> group1Size;
  uint32_t shiftLength = 0;             // B
  std::array<uint32_t, 256> shift{};    // indexed by an upper-cased byte
  bool prepared = false;
};

// Called once per occurrence; a nonzero answer stops the search at once.
using OccurrenceFn = int (*)(uint32_t id, uint32_t offset, void* context);

inline uint8_t UpperAscii(uint8_t byte) { return (byte >= 'a' && byte <= 'z') ? byte - 0x20 : byte; }

// Copies the pattern in both forms and appends it. Adding after preparing un-prepares.
int AddPattern(PatternSearcher* searcher, const uint8_t* bytes, size_t length, uint32_t id, bool noCase);
// Builds the sorted array, hashes, group sizes and shift (or Horspool) tables.
int PreparePatterns(PatternSearcher* searcher);
// Reports every occurrence; the number of callbacks made, or a negative result code.
int64_t SearchPatterns(PatternSearcher* searcher, const uint8_t* text, size_t length, OccurrenceFn callback,
                       void* context);

}  // namespace qv
