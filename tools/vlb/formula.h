// Rule formulas: the written form of a rule expression, for example
//   (p(0x2A) + p(0x2B) + p(0x2C)) / 3 > 0
// with and, or, xor, not, comparisons (> >= == <= <), + - * /, integer and decimal
// constants, true/false, p(id) for a pattern hit and r(id) for another rule's score, and the
// exact forms single(x), truth(n) and node(code, children...) for any other encoding.
// A run of one operator without parentheses becomes one node with several children.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tools/vlb/source_lexer.h"

namespace qv::vlbc {

// Which identifiers exist, for p(id) and r(id).
struct FormulaScope {
  std::function<bool(uint32_t)> hasPattern;
  std::function<bool(uint32_t)> hasRule;
};

// Compiles tokens[first..] (up to the End token) into the prefix encoding. Throws SourceError.
std::vector<uint8_t> CompileFormula(const std::vector<Token>& tokens, size_t first, const FormulaScope& scope,
                                    const SourcePlace& place);
// The "hex" form: the remaining tokens spell the expression bytes in hexadecimal.
std::vector<uint8_t> CompileHexExpression(const std::vector<Token>& tokens, size_t first, const SourcePlace& place);

// The formula that CompileFormula turns back into exactly these bytes; nullopt when the bytes
// are malformed, have trailing bytes, hold a non-finite constant or refer to a missing
// identifier (write them in the hex form then).
std::optional<std::string> DecompileFormula(const std::vector<uint8_t>& expression, const FormulaScope& scope);
std::string HexExpression(const std::vector<uint8_t>& expression);

}  // namespace qv::vlbc
