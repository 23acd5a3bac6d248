// Reading BIFF8 streams back in tests: the record chain and the records a change touched.
#pragma once

#include <cstdint>
#include <vector>

#include "writers/biff/records.h"

namespace qv::test::biff {

using Bytes = std::vector<uint8_t>;

struct RecordHeader {
  uint32_t offset = 0;
  uint16_t id = 0;
  uint16_t length = 0;
  bool operator==(const RecordHeader&) const = default;
};
// Every record from offset 0 to the end of the stream (all substreams), up to the first one
// that does not fit.
std::vector<RecordHeader> RecordChain(const Bytes& stream);
// Offsets of the records of `before`'s chain whose bytes differ in `after` (same size); bytes
// after the last whole record count as one more record at the end of the chain.
std::vector<uint32_t> ChangedRecords(const Bytes& before, const Bytes& after);
uint16_t U16At(const Bytes& stream, uint32_t offset);

}  // namespace qv::test::biff
