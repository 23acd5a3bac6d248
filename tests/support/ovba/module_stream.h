// Test support: module streams as a document carries them, a performance cache followed by
// the compressed source.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::test::ovba {

// A module's source text as the editor stores it: the "Attribute VB_Name" line first.
std::string ModuleSource(std::string_view moduleName, std::string_view body);

// Bytes standing where a performance cache lies. They begin with 0x01 like a real cache and
// hold false candidates (a 0x01 byte followed by a compressed-chunk header): one whose chunk
// runs past the stream, one that starts with a copy token, one that decodes cleanly to text
// that is not module source, and overlapping ones.
std::vector<uint8_t> FakePerformanceCache();

struct ModuleStream {
  std::vector<uint8_t> bytes;
  uint32_t sourceOffset = 0;  // where the compressed source starts (the dir's MODULEOFFSET)
};

ModuleStream BuildModuleStream(std::string_view source, const std::vector<uint8_t>& cache);
// With FakePerformanceCache() in front.
ModuleStream BuildModuleStream(std::string_view source);

}  // namespace qv::test::ovba
