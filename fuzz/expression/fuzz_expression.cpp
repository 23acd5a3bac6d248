// EvaluateExpression and EvaluateRules over arbitrary expression bytes. The first input byte
// chooses which of four patterns are hit; the rest is the expression of rule 1 (enabled) and
// rule 2 (disabled), and rule 3 refers to both, so references, cycles and caps are reached.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/signature/expression_codes.h"
#include "engine/signature/rule_matcher.h"
#include "engine/signature/signature_library.h"

namespace {

using namespace qv;

std::vector<uint8_t> RefSum() {
  // sum(r(1), r(2))
  return {0x20, 0, 0, 0, 2, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mask = data[0];
  const std::vector<uint8_t> expression(data + 1, data + size);
  SignatureLibrary library;
  const char* texts[] = {"a", "bb", "ccc", "\xB0\xA1"};
  for (uint32_t i = 0; i < 4; ++i) {
    PatternRecord p;
    p.id = 0x2A + i;
    p.flags = 1 | (i == 3 ? 4 : 0);
    for (const char* c = texts[i]; *c; ++c) p.pattern.push_back(static_cast<uint8_t>(*c));
    library.patterns.push_back(p);
  }
  library.rules.push_back({1, 1, "one", expression});
  library.rules.push_back({2, 0, "two", expression});
  library.rules.push_back({3, 1, "three", RefSum()});
  const auto matcher = BuildRuleMatcher(library);
  if (!matcher) return 0;
  for (size_t i = 0; i < 4; ++i) matcher->patternHit[i] = (mask >> i) & 1;
  const uint8_t* next = nullptr;
  EvaluateExpression(*matcher, expression.data(), expression.size(), &next);
  if (next < expression.data() || next > expression.data() + expression.size()) __builtin_trap();
  std::vector<uint8_t> text;
  for (size_t i = 0; i < 4; ++i) {
    if ((mask >> i) & 1) {
      text.insert(text.end(), texts[i], texts[i] + std::strlen(texts[i]));
      text.push_back(' ');
    }
  }
  text.push_back('.');
  EvaluateRules(matcher.get(), text.data(), text.size());
  return 0;
}
