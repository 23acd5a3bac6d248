#include "tests/support/vlb/expression_builder.h"

#include <cstring>

#include "engine/common/byte_reader.h"

namespace qv::test {
namespace {

Expr Code(uint32_t code) {
  Expr out(4);
  StoreU32(out.data(), code);
  return out;
}

template <typename T>
Expr Leaf(uint32_t code, const T& operand) {
  Expr out = Code(code);
  const auto* bytes = reinterpret_cast<const uint8_t*>(&operand);
  out.insert(out.end(), bytes, bytes + sizeof(T));  // little-endian host, as the file
  return out;
}

}  // namespace

Expr Int(int32_t value) { return Leaf(expr::kInteger, value); }
Expr Truth(uint8_t value) { return Leaf(expr::kTruth, value); }
Expr Single(float value) { return Leaf(expr::kSingle, value); }
Expr Double(double value) { return Leaf(expr::kDouble, value); }
Expr Hit(uint32_t patternId) { return Leaf(expr::kPatternHit, patternId); }
Expr Ref(uint32_t ruleId) { return Leaf(expr::kRuleRef, ruleId); }

Expr Op(uint32_t code, std::initializer_list<Expr> children, int count) {
  Expr out = Code(code);
  out.push_back(static_cast<uint8_t>(count >= 0 ? count : static_cast<int>(children.size())));
  for (const Expr& child : children) out.insert(out.end(), child.begin(), child.end());
  return out;
}

Expr Cat(std::initializer_list<Expr> parts) {
  Expr out;
  for (const Expr& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

}  // namespace qv::test
