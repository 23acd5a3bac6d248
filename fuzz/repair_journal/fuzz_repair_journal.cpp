// Arbitrary bytes as a repair journal and as a leftover record, both read at a run's start
// from the quarantine folder. Beyond the sanitizers it checks that what parses writes back to
// exactly the bytes it came from (so a roll-back puts back what was journalled, no more).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/common/leftover_records.h"
#include "engine/common/repair_journal.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (4u << 20)) return 0;
  const qv::ByteReader bytes(data, size);
  size_t at = 0;
  for (const qv::JournalBlock& block : qv::ParseJournal(bytes)) {
    Check(!block.documentPath.empty());
    for (const auto& range : block.ranges) Check(range.before.size() == range.after.size());
    const std::vector<uint8_t> again = qv::SerializeJournalBlock(block);
    Check(at + again.size() <= size && std::memcmp(again.data(), data + at, again.size()) == 0);
    at += again.size();
  }
  if (const auto record = qv::ParseLeftoverRecord(bytes)) {
    const std::vector<uint8_t> again = qv::SerializeLeftoverRecord(*record);
    Check(again.size() == size && std::memcmp(again.data(), data, size) == 0);
  }
  return 0;
}
