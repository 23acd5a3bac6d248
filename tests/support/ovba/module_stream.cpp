#include "tests/support/ovba/module_stream.h"

#include "writers/ovba/compressor.h"

namespace qv::test::ovba {

std::vector<uint8_t> FakePerformanceCache() {
  std::vector<uint8_t> cache = {
      0x01, 0x16, 0x03, 0x00, 0x00, 0xF0, 0x00, 0x00,  // cache header look-alike (0x01 first)
      // 0x01, header 0xBFFF: a chunk of 4,098 bytes, beyond the end of a short stream (in a
      // long one it decodes the bytes after it, which start with 0x01, not "Attribute").
      0x01, 0xFF, 0xBF, 0x00,
      // 0x01, header 0xB002 (data 3 bytes), flag 0x01: the first token is a copy token,
      // which has nothing to copy yet.
      0x01, 0x02, 0xB0, 0x01, 0x00, 0x00,
      // Two overlapping candidates: headers 0xB001 (one literal 0x00) and 0xB0B0.
      0x01, 0x01, 0xB0, 0xB0, 0x00,
  };
  // A container that decodes cleanly to text that is not module source.
  const writers::ovba::Container decoy =
      writers::ovba::Compress(std::string_view("Private Sub NotTheSource()\r\nEnd Sub\r\n"));
  cache.insert(cache.end(), decoy.bytes.begin(), decoy.bytes.end());
  // A raw chunk header after 0x01 (high nibble 0x3) is no candidate.
  const uint8_t raw[] = {0x01, 0x00, 0x30, 'A'};
  cache.insert(cache.end(), std::begin(raw), std::end(raw));
  cache.resize(cache.size() + 24, 0x00);  // slack as a real cache has
  return cache;
}

writers::ovba::ModuleStream BuildModuleStream(std::string_view source) {
  return writers::ovba::BuildModuleStream(source, FakePerformanceCache());
}

}  // namespace qv::test::ovba
