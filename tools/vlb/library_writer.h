// Writes a library file: the plain 256-byte header with its banner, then the body (header,
// pattern section, rule section, each checksummed) enciphered with the library key.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/vlb/source_model.h"

namespace qv::vlbc {

// When the library was built: the header's SYSTEMTIME and banner date, the body's FILETIME.
struct LibraryTime {
  uint16_t year = 1970, month = 1, dayOfWeek = 4, day = 1, hour = 0, minute = 0, second = 0, milliseconds = 0;
  uint64_t fileTime = 0;  // 100 ns units since 1601-01-01 (UTC)

  static LibraryTime FromUnixSeconds(int64_t seconds);  // UTC
};

// The deciphered body; records are written sorted by identifier, so that the order of the
// source does not change the file.
std::vector<uint8_t> BuildLibraryBody(const LibrarySource& source, const LibraryTime& time);
// The whole file: plain header + enciphered body.
std::vector<uint8_t> BuildLibraryImage(const LibrarySource& source, const LibraryTime& time);

// The pieces, for writers that need records in a chosen order (tests of the loader).
void AppendPatternRecord(std::vector<uint8_t>& out, uint32_t id, uint32_t flags, const std::vector<uint8_t>& text,
                         const std::vector<uint8_t>& note);
void AppendRuleRecord(std::vector<uint8_t>& out, uint32_t id, uint32_t flags, const std::vector<uint8_t>& name,
                      const std::vector<uint8_t>& expression);
// Body header (sections at 128, then right after each other, all checksums set) + sections.
std::vector<uint8_t> AssembleBody(const std::vector<uint8_t>& patterns, uint32_t patternCount,
                                  const std::vector<uint8_t>& rules, uint32_t ruleCount, const LibraryTime& time);
// Plain file header + the body enciphered.
std::vector<uint8_t> WrapBody(const std::vector<uint8_t>& body, const LibraryTime& time);

}  // namespace qv::vlbc
