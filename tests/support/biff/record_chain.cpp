#include "tests/support/biff/record_chain.h"

#include <algorithm>
#include <stdexcept>

namespace qv::test::biff {

uint16_t U16At(const Bytes& stream, uint32_t offset) {
  if (offset + 2 > stream.size()) throw std::out_of_range("U16At past the stream");
  return static_cast<uint16_t>(stream[offset] | (stream[offset + 1] << 8));
}

std::vector<RecordHeader> RecordChain(const Bytes& stream) {
  std::vector<RecordHeader> chain;
  size_t offset = 0;
  while (offset + 4 <= stream.size()) {
    const uint16_t length = U16At(stream, static_cast<uint32_t>(offset + 2));
    if (offset + 4 + length > stream.size()) break;
    chain.push_back({static_cast<uint32_t>(offset), U16At(stream, static_cast<uint32_t>(offset)), length});
    offset += 4 + length;
  }
  return chain;
}

std::vector<uint32_t> ChangedRecords(const Bytes& before, const Bytes& after) {
  if (before.size() != after.size()) throw std::invalid_argument("streams of different sizes");
  std::vector<uint32_t> changed;
  size_t covered = 0;
  for (const auto& record : RecordChain(before)) {
    covered = record.offset + 4u + record.length;
    if (!std::equal(before.begin() + record.offset, before.begin() + covered, after.begin() + record.offset)) {
      changed.push_back(record.offset);
    }
  }
  // Bytes after the last whole record count as one more "record".
  if (!std::equal(before.begin() + covered, before.end(), after.begin() + covered)) {
    changed.push_back(static_cast<uint32_t>(covered));
  }
  return changed;
}

}  // namespace qv::test::biff
