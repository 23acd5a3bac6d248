// Arbitrary bytes as a Word 6.0/95 "WordDocument" stream: the macro table walk. Beyond the
// sanitizers it checks what the walk promises: every judged text starts with the header line
// and the macro's name, holds at most one macro text's capacity after it, and is the stored
// text decoded with the key; the stream is never written.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/common/capacities.h"
#include "engine/office/word6_macros.h"

namespace {
void Check(bool condition) {
  if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  const std::vector<uint8_t> stream(data, data + size);
  const qv::ByteReader reader(stream.data(), stream.size());
  uint32_t seen = 0;
  const uint32_t visited = qv::ForEachWordBasicMacro(reader, [&](const qv::WordBasicMacro& m, std::string_view text) {
    ++seen;
    const std::string header = std::string(qv::kWordBasicHeader) + m.name + "\r\n";
    Check(text.substr(0, header.size()) == header);
    const std::string_view body = text.substr(header.size());
    Check(body.size() == m.textLength && body.size() >= 1 && body.size() <= qv::cap::kWord6MacroTextBytes);
    Check(reader.Has(m.textOffset, m.textLength));
    for (size_t i = 0; i < body.size(); ++i) {
      Check(static_cast<uint8_t>(body[i]) == static_cast<uint8_t>(stream[m.textOffset + i] ^ m.key));
    }
  });
  Check(visited == seen && visited <= qv::cap::kMaxWordBasicMacros);
  Check(size == 0 || std::memcmp(stream.data(), data, size) == 0);
  return 0;
}
