// The parsed signature library: the body header and the pattern and rule records, each
// array sorted ascending by identifier.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/signature/library_format.h"

namespace qv {

struct PatternRecord {
  uint32_t id = 0;
  uint32_t flags = 0;
  uint32_t recordSize = 0;   // as stored; not used to advance
  uint32_t reserved = 0;
  std::vector<uint8_t> pattern;  // empty: takes no part in matching
  std::vector<uint8_t> note;     // kept, never used by the engine
};

struct RuleRecord {
  uint32_t id = 0;
  uint32_t flags = 0;
  std::string name;              // ANSI, as stored
  std::vector<uint8_t> expression;
  bool Enabled() const { return (flags & vlb::kRuleFlagEnabled) != 0; }
};

struct SignatureLibrary {
  std::array<uint8_t, vlb::kBodyHeaderBytes> header{};
  std::vector<PatternRecord> patterns;
  std::vector<RuleRecord> rules;

  // Position of the record with this identifier (bisection, unsigned order); -1 when none.
  int64_t FindPattern(uint32_t id) const;
  int64_t FindRule(uint32_t id) const;
};

// Checks a deciphered body and copies its records: magic, header checksum, total size,
// both sections' bounds and checksums, then every record, which must lie inside its section.
// Null when the body is unusable or memory runs out.
std::unique_ptr<SignatureLibrary> ParseSignatureBody(const uint8_t* data, size_t length);

// Deciphers the body of a whole library file image (everything after the 256-byte header).
// Empty when the image is not longer than the header.
std::vector<uint8_t> DecipherLibraryBody(const uint8_t* image, size_t length);

// CRC-32 (reflected 0xEDB88320, as zlib's crc32) of a byte range; 0 for an empty range.
uint32_t LibraryCrc32(const uint8_t* data, size_t length);

}  // namespace qv
