// ParseSignatureBody over deciphered bodies. Each input is parsed as it is and once more with
// its checksums made right (when its section bounds allow), so that the fuzzer reaches the
// record reading behind the checksums; a parsed library is then built into a matcher and
// run over the input bytes as macro text.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/common/byte_reader.h"
#include "engine/signature/library_format.h"
#include "engine/signature/rule_matcher.h"
#include "engine/signature/signature_library.h"

namespace {

using namespace qv;

void Exercise(const uint8_t* data, size_t size) {
  const auto library = ParseSignatureBody(data, size);
  if (!library) return;
  const auto matcher = BuildRuleMatcher(*library);
  if (!matcher) return;
  EvaluateRules(matcher.get(), data, size < 4096 ? size : 4096);
}

// Sets the three checksums of a body whose section fields stay inside it; false otherwise.
bool FixChecksums(std::vector<uint8_t>& body) {
  uint8_t* h = body.data();
  for (size_t field : {vlb::kPatternOffsetOffset, vlb::kRuleOffsetOffset}) {
    if (!InBounds(LoadU32(h + field), LoadU32(h + field + 4), body.size())) return false;
  }
  const auto crcOf = [&](size_t field) { return LibraryCrc32(h + LoadU32(h + field), LoadU32(h + field + 4)); };
  StoreU32(h + vlb::kPatternCrcOffset, crcOf(vlb::kPatternOffsetOffset));
  StoreU32(h + vlb::kRuleCrcOffset, crcOf(vlb::kRuleOffsetOffset));
  StoreU32(h + vlb::kHeaderCrcOffset, LibraryCrc32(h, vlb::kHeaderCrcOffset));
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Exercise(data, size);
  if (size >= vlb::kBodyHeaderBytes) {
    std::vector<uint8_t> fixed(data, data + size);
    if (FixChecksums(fixed)) Exercise(fixed.data(), fixed.size());
  }
  return 0;
}
