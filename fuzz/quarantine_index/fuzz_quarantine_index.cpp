// ParseIndexLine over arbitrary index text, line by line: a line either is refused or parses
// into a record that formats back into a line parsing to the same record.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/common/quarantine_index.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    if (const auto record = qv::ParseIndexLine(text.substr(start, end - start))) {
      const auto again = qv::ParseIndexLine(qv::FormatIndexLine(*record));
      if (!again || again->copyName != record->copyName || again->originalPath != record->originalPath ||
          again->bytes != record->bytes || again->crc32 != record->crc32 || again->time != record->time ||
          again->rule != record->rule) {
        __builtin_trap();
      }
    }
    start = end + 1;
  }
  return 0;
}
