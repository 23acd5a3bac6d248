#include "tools/vlb/formula.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/common/byte_reader.h"
#include "engine/common/capacities.h"
#include "engine/signature/expression_codes.h"

namespace qv::vlbc {
namespace {

using namespace expr;

constexpr size_t kMaxChildren = 255;

struct Node {
  uint32_t code = 0;
  std::vector<uint8_t> operand;   // leaves
  std::vector<Node> children;     // operators
  bool grouped = false;           // written in parentheses: never merged into a chain
};

bool IsLeaf(uint32_t code) { return LeafBytes(code) != 0; }

void Encode(const Node& node, std::vector<uint8_t>& out) {
  uint8_t code[4];
  StoreU32(code, node.code);
  out.insert(out.end(), code, code + 4);
  if (IsLeaf(node.code)) {
    out.insert(out.end(), node.operand.begin(), node.operand.end());
    return;
  }
  out.push_back(static_cast<uint8_t>(node.children.size()));
  for (const Node& child : node.children) Encode(child, out);
}

Node Leaf32(uint32_t code, uint32_t value) {
  Node n{code, std::vector<uint8_t>(4), {}, false};
  StoreU32(n.operand.data(), value);
  return n;
}

Node DoubleLeaf(double value) {
  Node n{kDouble, std::vector<uint8_t>(8), {}, false};
  std::memcpy(n.operand.data(), &value, 8);
  return n;
}

// ---- parsing -----------------------------------------------------------------------------

class Parser {
 public:
  Parser(const std::vector<Token>& tokens, size_t first, const FormulaScope& scope, const SourcePlace& place)
      : tokens_(tokens), pos_(first), scope_(scope), place_(place) {}

  Node Parse() {
    Node root = Or();
    if (Peek().kind != TokenKind::End) Fail("unexpected '" + Peek().spelling + "' in formula");
    return root;
  }

 private:
  const Token& Peek() const { return tokens_[pos_]; }
  bool IsPunct(const char* p) const { return Peek().kind == TokenKind::Punct && Peek().spelling == p; }
  bool IsWord(const char* w) const { return Peek().kind == TokenKind::Word && Peek().spelling == w; }
  [[noreturn]] void Fail(const std::string& what) const { throw SourceError(place_, what); }
  void Expect(const char* punct) {
    if (!IsPunct(punct)) Fail(std::string("expected '") + punct + "' but found '" + Peek().spelling + "'");
    ++pos_;
  }

  // A chain of binary operators of one level: a op b op c with one op becomes one node.
  template <typename Next, typename Match>
  Node Chain(Next next, Match match) {
    Node left = (this->*next)();
    bool inChain = false;
    while (const uint32_t code = match()) {
      ++pos_;
      Node right = (this->*next)();
      if (inChain && left.code == code && left.children.size() < kMaxChildren) {
        left.children.push_back(std::move(right));
      } else {
        if (inChain && left.code == code) Fail("more than 255 operands in one chain; use parentheses");
        left = Node{code, {}, {std::move(left), std::move(right)}, false};
        inChain = true;
      }
    }
    return left;
  }

  uint32_t WordOp(const char* word, uint32_t code) const { return IsWord(word) ? code : 0; }
  Node Or() { return Chain(&Parser::Xor, [&] { return WordOp("or", kOr); }); }
  Node Xor() { return Chain(&Parser::And, [&] { return WordOp("xor", kXor); }); }
  Node And() { return Chain(&Parser::Not, [&] { return WordOp("and", kAnd); }); }

  Node Not() {
    if (!IsWord("not")) return Comparison();
    ++pos_;
    Guard guard(*this);
    return Node{kNot, {}, {Not()}, false};
  }

  uint32_t ComparisonCode() const {
    if (Peek().kind != TokenKind::Punct) return 0;
    const std::string& s = Peek().spelling;
    return s == ">" ? kGreater : s == ">=" ? kGreaterEqual : s == "==" ? kEqual : s == "<=" ? kLessEqual
         : s == "<" ? kLess : 0;
  }

  Node Comparison() {
    Node left = Additive();
    const uint32_t code = ComparisonCode();
    if (code == 0) return left;
    ++pos_;
    Node right = Additive();
    if (ComparisonCode() != 0) Fail("comparisons do not chain; use parentheses");
    return Node{code, {}, {std::move(left), std::move(right)}, false};
  }

  Node Additive() {
    return Chain(&Parser::Multiplicative, [&] { return IsPunct("+") ? kSum : IsPunct("-") ? kDifference : 0u; });
  }
  Node Multiplicative() {
    return Chain(&Parser::Primary, [&] { return IsPunct("*") ? kProduct : IsPunct("/") ? kQuotient : 0u; });
  }

  // Nesting guard: the engine scores no deeper than its cap, so neither does the compiler.
  struct Guard {
    explicit Guard(Parser& p) : parser(p) {
      if (++parser.depth_ > cap::kMaxExpressionDepth) parser.Fail("formula nested too deeply");
    }
    ~Guard() { --parser.depth_; }
    Parser& parser;
  };

  // A number token: an integer that fits 32 bits signed, otherwise a double.
  Node Number(bool negative) {
    if (Peek().kind != TokenKind::Number) Fail("expected a number but found '" + Peek().spelling + "'");
    const std::string s = Peek().spelling;
    ++pos_;
    const bool hex = s.size() > 2 && (s[1] == 'x' || s[1] == 'X');
    if (hex || s.find_first_not_of("0123456789") == std::string::npos) {
      errno = 0;
      char* end = nullptr;
      const unsigned long long v = std::strtoull(s.c_str(), &end, hex ? 16 : 10);
      if (*end != '\0' || errno == ERANGE) Fail("bad number '" + s + "'");
      const long long signedValue = negative ? -static_cast<long long>(v) : static_cast<long long>(v);
      if (v <= (1ull << 31) && signedValue >= INT32_MIN && signedValue <= INT32_MAX)
        return Leaf32(kInteger, static_cast<uint32_t>(static_cast<int32_t>(signedValue)));
      return DoubleLeaf(negative ? -static_cast<double>(v) : static_cast<double>(v));
    }
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v)) Fail("bad number '" + s + "'");
    return DoubleLeaf(negative ? -v : v);
  }

  uint32_t Identifier() {
    Expect("(");
    const Node n = Number(false);
    if (n.code != kInteger && !(n.code == kDouble)) Fail("bad identifier");
    double value;
    if (n.code == kInteger) {
      value = static_cast<int32_t>(LoadU32(n.operand.data()));
    } else {
      std::memcpy(&value, n.operand.data(), 8);
    }
    if (value < 0 || value > UINT32_MAX || value != std::floor(value)) Fail("identifier out of range");
    Expect(")");
    return static_cast<uint32_t>(value);
  }

  Node Primary() {
    Guard guard(*this);
    if (IsPunct("(")) {
      ++pos_;
      Node inner = Or();
      Expect(")");
      inner.grouped = true;
      return inner;
    }
    if (IsPunct("-")) {
      ++pos_;
      if (Peek().kind != TokenKind::Number) Fail("a minus sign stands only before a number; write 0 - x");
      return Number(true);
    }
    if (Peek().kind == TokenKind::Number) return Number(false);
    if (Peek().kind != TokenKind::Word) Fail("unexpected '" + Peek().spelling + "' in formula");
    const std::string word = Peek().spelling;
    ++pos_;
    if (word == "true" || word == "false") return Node{kTruth, {uint8_t(word == "true")}, {}, false};
    if (word == "p" || word == "r") {
      const uint32_t id = Identifier();
      const bool known = word == "p" ? scope_.hasPattern(id) : scope_.hasRule(id);
      char text[64];
      std::snprintf(text, sizeof text, "%s 0x%X", word == "p" ? "unknown pattern" : "unknown rule", id);
      if (!known) Fail(text);
      return Leaf32(word == "p" ? kPatternHit : kRuleRef, id);
    }
    if (word == "single") return Single();
    if (word == "truth") {
      const uint32_t v = Identifier();
      if (v > 255) Fail("truth() takes a byte value");
      return Node{kTruth, {static_cast<uint8_t>(v)}, {}, false};
    }
    if (word == "node") return GenericNode();
    Fail("unknown word '" + word + "' in formula");
  }

  Node Single() {
    Expect("(");
    const bool negative = IsPunct("-");
    if (negative) ++pos_;
    if (Peek().kind != TokenKind::Number) Fail("single() takes a number");
    char* end = nullptr;
    const float v = std::strtof(Peek().spelling.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v)) Fail("bad number '" + Peek().spelling + "'");
    ++pos_;
    Expect(")");
    const float value = negative ? -v : v;
    Node n{kSingle, std::vector<uint8_t>(4), {}, false};
    std::memcpy(n.operand.data(), &value, 4);
    return n;
  }

  // node(code, child, ...): an operator node written out exactly.
  Node GenericNode() {
    Expect("(");
    const Node code = Number(false);
    if (code.code != kInteger) Fail("node() needs an operator code");
    Node n{LoadU32(code.operand.data()), {}, {}, false};
    if (IsLeaf(n.code)) Fail("node() needs an operator code, not a leaf code");
    while (IsPunct(",")) {
      ++pos_;
      if (n.children.size() == kMaxChildren) Fail("more than 255 operands");
      n.children.push_back(Or());
    }
    Expect(")");
    return n;
  }

  const std::vector<Token>& tokens_;
  size_t pos_;
  const FormulaScope& scope_;
  const SourcePlace& place_;
  int depth_ = 0;
};

// ---- decompiling -------------------------------------------------------------------------

// Strict reading of an expression into a tree; false on anything CompileFormula could not
// write back byte for byte.
bool ReadNode(const uint8_t* bytes, size_t remaining, const FormulaScope& scope, int depth, Node& node,
              size_t& used) {
  if (remaining < kCodeBytes || depth > cap::kMaxExpressionDepth) return false;
  node.code = LoadU32(bytes);
  if (const size_t leaf = LeafBytes(node.code); leaf != 0) {
    if (remaining < leaf) return false;
    node.operand.assign(bytes + kCodeBytes, bytes + leaf);
    used = leaf;
    if (node.code == kPatternHit) return scope.hasPattern(LoadU32(bytes + 4));
    if (node.code == kRuleRef) return scope.hasRule(LoadU32(bytes + 4));
    if (node.code == kDouble) {
      double v;
      std::memcpy(&v, bytes + 4, 8);
      return std::isfinite(v);
    }
    if (node.code == kSingle) {
      float v;
      std::memcpy(&v, bytes + 4, 4);
      return std::isfinite(v);
    }
    return true;
  }
  if (remaining < kOperatorHeadBytes) return false;
  size_t at = kOperatorHeadBytes;
  node.children.resize(bytes[4]);
  for (Node& child : node.children) {
    size_t childUsed = 0;
    if (!ReadNode(bytes + at, remaining - at, scope, depth + 1, child, childUsed)) return false;
    at += childUsed;
  }
  used = at;
  return true;
}

std::string ShortestDouble(double v) {
  char text[40];
  for (int precision = 15; precision <= 17; ++precision) {
    std::snprintf(text, sizeof text, "%.*g", precision, v);
    if (std::strtod(text, nullptr) == v) break;
  }
  std::string s = text;
  if (s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

std::string ShortestSingle(float v) {
  char text[40];
  for (int precision = 6; precision <= 9; ++precision) {
    std::snprintf(text, sizeof text, "%.*g", precision, static_cast<double>(v));
    if (std::strtof(text, nullptr) == v) break;
  }
  return text;
}

const char* InfixSymbol(uint32_t code, size_t children) {
  if (children == 2) {
    switch (code) {
      case kGreater: return ">";
      case kGreaterEqual: return ">=";
      case kEqual: return "==";
      case kLessEqual: return "<=";
      case kLess: return "<";
      default: break;
    }
  }
  if (children < 2) return nullptr;
  switch (code) {
    case kSum: return "+";
    case kDifference: return "-";
    case kProduct: return "*";
    case kQuotient: return "/";
    case kAnd: return "and";
    case kOr: return "or";
    case kXor: return "xor";
    default: return nullptr;
  }
}

bool PrintsInfix(const Node& n) {
  return !IsLeaf(n.code) && (InfixSymbol(n.code, n.children.size()) || (n.code == kNot && n.children.size() == 1));
}

std::string Print(const Node& n);

std::string PrintChild(const Node& n) { return PrintsInfix(n) ? "(" + Print(n) + ")" : Print(n); }

std::string Print(const Node& n) {
  char text[48];
  switch (n.code) {
    case kInteger:
      return std::to_string(static_cast<int32_t>(LoadU32(n.operand.data())));
    case kTruth:
      if (n.operand[0] <= 1) return n.operand[0] ? "true" : "false";
      return "truth(" + std::to_string(n.operand[0]) + ")";
    case kSingle: {
      float v;
      std::memcpy(&v, n.operand.data(), 4);
      return "single(" + ShortestSingle(v) + ")";
    }
    case kDouble: {
      double v;
      std::memcpy(&v, n.operand.data(), 8);
      return ShortestDouble(v);
    }
    case kPatternHit:
    case kRuleRef:
      std::snprintf(text, sizeof text, "%s(0x%X)", n.code == kPatternHit ? "p" : "r", LoadU32(n.operand.data()));
      return text;
    default: break;
  }
  if (n.code == kNot && n.children.size() == 1) return "not " + PrintChild(n.children[0]);
  if (const char* symbol = InfixSymbol(n.code, n.children.size())) {
    std::string out;
    for (size_t i = 0; i < n.children.size(); ++i) {
      if (i > 0) out += std::string(" ") + symbol + " ";
      out += PrintChild(n.children[i]);
    }
    return out;
  }
  std::snprintf(text, sizeof text, "node(0x%X", n.code);
  std::string out = text;
  for (const Node& child : n.children) out += ", " + PrintChild(child);
  return out + ")";
}

}  // namespace

std::vector<uint8_t> CompileFormula(const std::vector<Token>& tokens, size_t first, const FormulaScope& scope,
                                    const SourcePlace& place) {
  if (tokens[first].kind == TokenKind::End) throw SourceError(place, "empty formula");
  const Node root = Parser(tokens, first, scope, place).Parse();
  std::vector<uint8_t> out;
  Encode(root, out);
  return out;
}

std::vector<uint8_t> CompileHexExpression(const std::vector<Token>& tokens, size_t first, const SourcePlace& place) {
  std::string digits;
  for (size_t i = first; tokens[i].kind != TokenKind::End; ++i) {
    if (tokens[i].kind != TokenKind::Number && tokens[i].kind != TokenKind::Word)
      throw SourceError(place, "hex expression holds '" + tokens[i].spelling + "'");
    digits += tokens[i].spelling;
  }
  if (digits.size() % 2 != 0 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    throw SourceError(place, "hex expression needs pairs of hex digits");
  std::vector<uint8_t> out;
  for (size_t i = 0; i < digits.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  return out;
}

std::optional<std::string> DecompileFormula(const std::vector<uint8_t>& expression, const FormulaScope& scope) {
  Node root;
  size_t used = 0;
  if (!ReadNode(expression.data(), expression.size(), scope, 0, root, used) || used != expression.size())
    return std::nullopt;
  return Print(root);
}

std::string HexExpression(const std::vector<uint8_t>& expression) {
  std::string out;
  char byte[4];
  for (size_t i = 0; i < expression.size(); ++i) {
    std::snprintf(byte, sizeof byte, "%02X", expression[i]);
    out += byte;
  }
  return out;
}

}  // namespace qv::vlbc
