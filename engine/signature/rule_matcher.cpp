#include "engine/signature/rule_matcher.h"

#include <cmath>
#include <cstring>
#include <new>

#include "engine/common/byte_reader.h"
#include "engine/common/capacities.h"
#include "engine/signature/cp936.h"
#include "engine/signature/expression_codes.h"

namespace qv {
namespace {

using namespace expr;

bool IsTrue(double value) { return std::fabs(value) >= kTrueMagnitude; }

// Finds where the node at `bytes` ends without evaluating it, with a counter instead of
// recursion. A malformed node ends every open node at its own position (each ancestor would
// try to read its next child there and fail the same way), so the walk stops there.
const uint8_t* SkipNode(const uint8_t* bytes, size_t remaining) {
  const ByteReader node(bytes, remaining);
  uint64_t at = 0;
  uint64_t pending = 1;
  while (pending > 0) {
    const auto code = node.U32(at);
    if (!code) break;
    const size_t leaf = LeafBytes(*code);
    const size_t size = leaf != 0 ? leaf : kOperatorHeadBytes;
    if (!node.Has(at, size)) break;
    --pending;
    if (leaf == 0) pending += node.U8(at + kCodeBytes).value_or(0);
    at += size;
  }
  return bytes + at;
}

// Folds the children's values into an operator's value, one child at a time.
class Combiner {
 public:
  explicit Combiner(uint32_t code) : code_(code) {}

  void Add(double v) {
    switch (code_) {
      case kSum: acc_ += v; break;
      case kDifference: acc_ = count_ == 0 ? v : acc_ - v; break;
      case kProduct: acc_ = count_ == 0 ? v : acc_ * v; break;
      case kQuotient: acc_ = count_ == 0 ? v : acc_ / (std::fabs(v) < kTrueMagnitude ? 1.0 : v); break;
      case kAnd: allTrue_ = allTrue_ && IsTrue(v); break;
      case kOr: anyTrue_ = anyTrue_ || IsTrue(v); break;
      case kNot: if (count_ == 0) first_ = v; break;
      case kXor: trueCount_ += IsTrue(v) ? 1 : 0; break;
      default:
        if (count_ == 0) first_ = v;
        if (count_ == 1) second_ = v;
        break;
    }
    ++count_;
  }

  double Value() const {
    switch (code_) {
      case kSum:
      case kDifference:
      case kQuotient: return count_ == 0 ? 0.0 : acc_;
      case kProduct: return count_ == 0 ? 1.0 : acc_;
      case kAnd: return allTrue_ ? 1.0 : 0.0;
      case kOr: return anyTrue_ ? 1.0 : 0.0;
      case kNot: return count_ == 0 || !IsTrue(first_) ? 1.0 : 0.0;
      case kXor: return trueCount_ % 2 == 1 ? 1.0 : 0.0;
      case kGreater:
      case kGreaterEqual:
      case kEqual:
      case kLessEqual:
      case kLess: return Compare();
      default: return 0.0;  // unknown operator
    }
  }

 private:
  // A comparison without children has no first operand: 0.
  double Compare() const {
    if (count_ == 0) return 0.0;
    const double a0 = first_, a1 = count_ == 1 ? kMissingSecondOperand : second_;
    bool result = false;
    switch (code_) {
      case kGreater: result = a0 > a1; break;
      case kGreaterEqual: result = a0 >= a1; break;
      case kEqual: result = std::fabs(a0 - a1) < kTrueMagnitude; break;
      case kLessEqual: result = a0 <= a1; break;
      default: result = a0 < a1; break;
    }
    return result ? 1.0 : 0.0;
  }

  uint32_t code_;
  uint32_t count_ = 0;
  double acc_ = 0.0, first_ = 0.0, second_ = 0.0;
  bool allTrue_ = true, anyTrue_ = false;
  uint32_t trueCount_ = 0;
};

// The score of rule record `index`, computed on first use and remembered. A rule still being
// evaluated (a reference cycle) is worth 0, as is a reference past the depth cap.
double ScoreRule(RuleMatcher& m, size_t index, int depth) {
  if (m.ruleDone[index]) return m.ruleScore[index];
  if (m.ruleBusy[index] || depth >= cap::kMaxExpressionDepth) return 0.0;
  const RuleRecord& rule = m.library->rules[index];
  m.ruleBusy[index] = 1;
  const uint8_t* next = nullptr;
  m.ruleScore[index] = EvaluateExpression(m, rule.expression.data(), rule.expression.size(), &next, depth + 1);
  m.ruleBusy[index] = 0;
  m.ruleDone[index] = 1;
  return m.ruleScore[index];
}

// `operand` holds the leaf's bytes after its code; a leaf whose operand does not fit is worth 0.
double LeafValue(RuleMatcher& m, uint32_t code, ByteReader operand, int depth) {
  switch (code) {
    case kInteger: return static_cast<int32_t>(operand.U32(0).value_or(0));
    case kTruth: return operand.U8(0).value_or(0) != 0 ? 1.0 : 0.0;
    case kSingle: {
      float value = 0;
      return operand.Copy(0, &value, sizeof value) ? value : 0.0;
    }
    case kDouble: {
      double value = 0;
      return operand.Copy(0, &value, sizeof value) ? value : 0.0;
    }
    case kPatternHit: {
      const auto id = operand.U32(0);
      const int64_t index = id ? m.library->FindPattern(*id) : -1;
      return index < 0 ? 0.0 : m.patternHit[index];
    }
    default: {  // kRuleRef
      const auto id = operand.U32(0);
      const int64_t index = id ? m.library->FindRule(*id) : -1;
      return index < 0 ? 0.0 : ScoreRule(m, static_cast<size_t>(index), depth);
    }
  }
}

int MarkHit(uint32_t id, uint32_t, void* context) {
  auto& hits = *static_cast<std::vector<uint8_t>*>(context);
  if (id < hits.size()) hits[id] = 1;
  return 0;  // always search to the end of the buffer
}

bool AddRecordPatterns(PatternSearcher& searcher, const PatternRecord& record, uint32_t index) {
  const bool noCase = (record.flags & vlb::kPatternFlagCase) == 0;
  const size_t length = record.pattern.size();
  if (AddPattern(&searcher, record.pattern.data(), length, index, noCase) != kPatternAdded) return false;
  if ((record.flags & vlb::kPatternFlagUtf16) == 0) return true;
  const std::vector<uint16_t> units = ConvertPatternToUtf16(record.pattern.data(), length, length + cap::kUtf16ExtraUnits);
  if (units.empty()) return true;
  std::vector<uint8_t> wide(units.size() * 2);
  for (size_t i = 0; i < units.size(); ++i) StoreU16(wide.data() + 2 * i, units[i]);
  return AddPattern(&searcher, wide.data(), wide.size(), index, noCase) == kPatternAdded;
}

}  // namespace

double EvaluateExpression(RuleMatcher& m, const uint8_t* bytes, size_t remaining, const uint8_t** next, int depth) {
  if (next) *next = bytes;
  const ByteReader node(bytes, remaining);
  const auto code = node.U32(0);
  if (!code) return 0.0;
  if (const size_t leaf = LeafBytes(*code); leaf != 0) {
    if (!node.Has(0, leaf)) return 0.0;
    if (next) *next = bytes + leaf;
    return LeafValue(m, *code, node.Slice(kCodeBytes, leaf - kCodeBytes), depth);
  }
  const auto counted = node.U8(kCodeBytes);
  if (!counted) return 0.0;  // the count byte lies beyond the expression
  if (depth >= cap::kMaxExpressionDepth) {
    if (next) *next = SkipNode(bytes, remaining);
    return 0.0;
  }
  const uint8_t count = *counted;
  const uint8_t* pos = bytes + kOperatorHeadBytes;
  size_t left = remaining - kOperatorHeadBytes;
  Combiner combiner(*code);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* childEnd = pos;
    combiner.Add(EvaluateExpression(m, pos, left, &childEnd, depth + 1));
    if (childEnd == pos) break;  // a malformed child ends the node
    left -= static_cast<size_t>(childEnd - pos);
    pos = childEnd;
  }
  if (next) *next = pos;
  return combiner.Value();
}

std::unique_ptr<RuleMatcher> BuildRuleMatcher(const SignatureLibrary& library) {
  try {
    auto matcher = std::make_unique<RuleMatcher>();
    matcher->library = &library;
    matcher->patternHit.assign(library.patterns.size(), 0);
    matcher->ruleDone.assign(library.rules.size(), 0);
    matcher->ruleBusy.assign(library.rules.size(), 0);
    matcher->ruleScore.assign(library.rules.size(), 0.0);
    for (size_t i = 0; i < library.patterns.size(); ++i) {
      const PatternRecord& record = library.patterns[i];
      if (record.pattern.empty()) continue;  // takes no part in matching
      if (!AddRecordPatterns(matcher->searcher, record, static_cast<uint32_t>(i))) return nullptr;
    }
    PreparePatterns(&matcher->searcher);  // on failure, tried again at the first search
    return matcher;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

int32_t EvaluateRules(RuleMatcher* matcher, const uint8_t* text, size_t length) {
  if (matcher == nullptr || text == nullptr || length < 1) return kRulesMissingArgument;
  if (matcher->library == nullptr) return kRulesNoLibrary;
  RuleMatcher& m = *matcher;
  std::fill(m.patternHit.begin(), m.patternHit.end(), 0);
  std::fill(m.ruleDone.begin(), m.ruleDone.end(), 0);
  std::fill(m.ruleBusy.begin(), m.ruleBusy.end(), 0);
  SearchPatterns(&m.searcher, text, length, &MarkHit, &m.patternHit);
  int32_t fired = 0;
  for (size_t i = 0; i < m.library->rules.size(); ++i) {
    if (!m.library->rules[i].Enabled()) continue;
    if (ScoreRule(m, i, 0) > kFiredScore) ++fired;
  }
  return fired;
}

}  // namespace qv
