// The signature source as the compiler sees it: pattern and rule records with the place
// in the source where each was written, and the diagnostics of a compile.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace qv::vlbc {

struct SourcePlace {
  std::string file;
  int line = 0;
};

struct PatternSource {
  uint32_t id = 0;
  uint32_t flags = 0;
  std::vector<uint8_t> text;   // code page 936 bytes
  std::vector<uint8_t> note;
  SourcePlace place;
};

struct RuleSource {
  uint32_t id = 0;
  uint32_t flags = 0;
  std::vector<uint8_t> name;   // code page 936 bytes
  std::vector<uint8_t> expression;  // prefix encoding
  SourcePlace place;
};

struct LibrarySource {
  std::vector<PatternSource> patterns;
  std::vector<RuleSource> rules;
};

// A problem in the source, located by file and line.
struct SourceError : std::runtime_error {
  SourceError(const SourcePlace& place, const std::string& what)
      : std::runtime_error(place.file + ":" + std::to_string(place.line) + ": error: " + what) {}
};

}  // namespace qv::vlbc
