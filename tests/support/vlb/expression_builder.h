// Rule expression bytes written node by node, for tests that need exact (or malformed)
// encodings:  Op(expr::kQuotient, {Op(expr::kSum, {Hit(0x2A), Hit(0x2B)}), Int(3)})
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "engine/signature/expression_codes.h"

namespace qv::test {

using Expr = std::vector<uint8_t>;

Expr Int(int32_t value);
Expr Truth(uint8_t value);
Expr Single(float value);
Expr Double(double value);
Expr Hit(uint32_t patternId);
Expr Ref(uint32_t ruleId);
// An operator node with its children; `count` overrides the child count byte when >= 0.
Expr Op(uint32_t code, std::initializer_list<Expr> children, int count = -1);
// Bytes glued together (for malformed tails).
Expr Cat(std::initializer_list<Expr> parts);

}  // namespace qv::test
