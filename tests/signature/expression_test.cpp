// EvaluateExpression over every node type, the worked example, malformed bytes, rule
// references (disabled, missing, cyclic) and nesting far past the depth cap.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "engine/signature/expression_codes.h"
#include "engine/signature/signature_set.h"
#include "tests/support/vlb/expression_builder.h"
#include "tests/support/vlb/vlb_builder.h"

namespace qv {
namespace {

using namespace test;
using namespace expr;

// Patterns 0x2A, 0x2B, 0x2C; rule 0x50 = 0.25 (disabled), 0x51 = r(0x50) * 2, a pair of rules
// that refer to each other (0x60, 0x61) and a rule that refers to itself (0x62).
constexpr char kSource[] = R"(
pattern 0x2A "alpha"
pattern 0x2B "beta"
pattern 0x2C "gamma"
rule 0x50 "Quarter" disabled = 0.25
rule 0x51 "Half" = r(0x50) * 2
rule 0x60 "Ping" = r(0x61) + 1
rule 0x61 "Pong" = r(0x60) + 1
rule 0x62 "Self" = r(0x62) + 0.5
)";

class Expressions : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::vector<uint8_t> image = BuildLibrary(kSource);
    tables_ = BuildTablesFromImage(image.data(), image.size(), nullptr);
    ASSERT_NE(tables_, nullptr);
  }
  RuleMatcher& M() { return *tables_->matcher; }
  void SetHits(bool a, bool b, bool c) {
    const SignatureLibrary& lib = *tables_->library;
    M().patternHit[lib.FindPattern(0x2A)] = a;
    M().patternHit[lib.FindPattern(0x2B)] = b;
    M().patternHit[lib.FindPattern(0x2C)] = c;
    std::fill(M().ruleDone.begin(), M().ruleDone.end(), 0);
  }
  // Value of an expression; `consumed` gets the bytes the root node took.
  double Eval(const Expr& e, size_t* consumed = nullptr) {
    const uint8_t* next = nullptr;
    const double v = EvaluateExpression(M(), e.data(), e.size(), &next);
    if (consumed) *consumed = static_cast<size_t>(next - e.data());
    return v;
  }
  std::unique_ptr<SignatureTables> tables_;
};

TEST_F(Expressions, EveryNodeType) {
  SetHits(true, false, false);
  struct Case {
    const char* name;
    Expr bytes;
    double value;
  } cases[] = {
      {"integer", Int(-7), -7},
      {"truth zero", Truth(0), 0},
      {"truth nonzero", Truth(5), 1},
      {"single", Single(0.5f), 0.5},
      {"double", Double(2.25), 2.25},
      {"hit pattern", Hit(0x2A), 1},
      {"pattern not hit", Hit(0x2B), 0},
      {"missing pattern", Hit(0x99), 0},
      {"disabled rule referenced", Ref(0x50), 0.25},
      {"rule referring to a disabled rule", Ref(0x51), 0.5},
      {"missing rule", Ref(0x77), 0},
      {"sum", Op(kSum, {Int(1), Int(2), Int(3)}), 6},
      {"sum without children", Op(kSum, {}), 0},
      {"difference", Op(kDifference, {Int(10), Int(3), Int(2)}), 5},
      {"difference without children", Op(kDifference, {}), 0},
      {"product", Op(kProduct, {Int(2), Int(3), Int(4)}), 24},
      {"product without children", Op(kProduct, {}), 1},
      {"quotient", Op(kQuotient, {Int(6), Int(4)}), 1.5},
      {"quotient by zero divides by 1", Op(kQuotient, {Int(1), Int(0)}), 1},
      {"quotient by tiny divisor", Op(kQuotient, {Int(6), Int(2), Double(0.00005)}), 3},
      {"quotient by 0.0001 is a real division", Op(kQuotient, {Int(1), Double(0.0001)}), 10000},
      {"quotient without children", Op(kQuotient, {}), 0},
      {"and true", Op(kAnd, {Int(1), Double(0.0001)}), 1},
      {"and false", Op(kAnd, {Int(1), Double(0.00009)}), 0},
      {"and without children", Op(kAnd, {}), 1},
      {"or", Op(kOr, {Int(0), Double(-0.5)}), 1},
      {"or false", Op(kOr, {Int(0), Double(0.00009)}), 0},
      {"or without children", Op(kOr, {}), 0},
      {"not of false, second child ignored", Op(kNot, {Int(0), Int(5)}), 1},
      {"not of true", Op(kNot, {Int(5)}), 0},
      {"not without children", Op(kNot, {}), 1},
      {"xor odd", Op(kXor, {Int(1), Int(1), Int(1)}), 1},
      {"xor even", Op(kXor, {Int(1), Int(2), Int(0)}), 0},
      {"xor without children", Op(kXor, {}), 0},
      {"greater", Op(kGreater, {Int(2), Int(1)}), 1},
      {"greater, equal operands", Op(kGreater, {Int(1), Int(1)}), 0},
      {"greater with one child compares to -1e38", Op(kGreater, {Int(-5)}), 1},
      {"greater, third child ignored", Op(kGreater, {Int(1), Int(2), Int(-99)}), 0},
      {"comparison without children", Op(kGreater, {}), 0},
      {"greater or equal", Op(kGreaterEqual, {Int(1), Int(1)}), 1},
      {"equal within 0.0001", Op(kEqual, {Int(1), Double(1.00005)}), 1},
      {"equal, too far apart", Op(kEqual, {Int(1), Double(1.0002)}), 0},
      {"less or equal", Op(kLessEqual, {Int(2), Int(1)}), 0},
      {"less", Op(kLess, {Double(-1), Int(0)}), 1},
      {"less with one child", Op(kLess, {Int(0)}), 0},
      {"unknown operator", Op(0x40, {Int(1), Int(2)}), 0},
  };
  for (const Case& c : cases) {
    size_t consumed = 0;
    EXPECT_DOUBLE_EQ(Eval(c.bytes, &consumed), c.value) << c.name;
    EXPECT_EQ(consumed, c.bytes.size()) << c.name;
  }
}

TEST_F(Expressions, WorkedExampleScoresOneThirdPerPattern) {
  const Expr e = Op(kQuotient, {Op(kSum, {Op(kSum, {Hit(0x2A), Hit(0x2B)}), Hit(0x2C)}), Int(3)});
  const uint8_t written[47] = {0x23, 0, 0, 0, 2, 0x20, 0, 0, 0, 2, 0x20, 0, 0, 0, 2, 0xFE, 0xFF, 0xFF, 0xFF, 0x2A,
                               0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0x2B, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0x2C, 0,
                               0, 0, 0, 0, 0, 0, 3, 0, 0, 0};
  ASSERT_EQ(e, Expr(written, written + 47));
  struct Case {
    bool a, b, c;
    double value;
  } cases[] = {{false, false, false, 0}, {false, true, false, 1.0 / 3}, {true, false, true, 2.0 / 3},
               {true, true, true, 1}};
  for (const Case& c : cases) {
    SetHits(c.a, c.b, c.c);
    EXPECT_NEAR(Eval(e), c.value, 1e-12);
  }
}

TEST_F(Expressions, MalformedBytesGiveZeroWhereTheyStand) {
  const Expr integer = Int(5), real = Double(1);
  struct Case {
    const char* name;
    Expr bytes;
    double value;
    size_t consumed;
  } cases[] = {
      {"fewer than 4 bytes", Expr{0x20, 0, 0}, 0, 0},
      {"integer leaf cut short", Expr(integer.begin(), integer.begin() + 6), 0, 0},
      {"double leaf cut short", Expr(real.begin(), real.begin() + 11), 0, 0},
      {"truth leaf without its byte", Expr{1, 0, 0, 0}, 0, 0},
      {"count byte beyond the expression", Expr{0x20, 0, 0, 0}, 0, 0},
      {"count larger than the children present", Op(kSum, {Int(4), Int(5)}, 200), 9, 21},
      {"malformed child ends the node", Cat({Op(kSum, {Int(4)}, 3), Expr{7, 7}}), 4, 13},
      {"malformed first child of a product", Cat({Op(kProduct, {}, 2), Expr{9}}), 0, 5},
      {"malformed child deep inside", Cat({Op(kSum, {Int(1), Op(kSum, {Int(2)}, 2)}, 3), Expr{1, 0}}), 3, 26},
  };
  for (const Case& c : cases) {
    size_t consumed = 99;
    EXPECT_DOUBLE_EQ(Eval(c.bytes, &consumed), c.value) << c.name;
    EXPECT_EQ(consumed, c.consumed) << c.name;
  }
  const uint8_t* next = nullptr;
  EXPECT_EQ(EvaluateExpression(M(), nullptr, 10, &next), 0.0);
}

TEST_F(Expressions, ReferenceCyclesEndAndAreWorthZero) {
  SetHits(false, false, false);
  // Ping = Pong + 1 and Pong = Ping + 1: the inner reference to the rule being evaluated is 0.
  EXPECT_DOUBLE_EQ(Eval(Ref(0x60)), 2);
  EXPECT_DOUBLE_EQ(Eval(Ref(0x61)), 1);  // remembered while evaluating Ping
  SetHits(false, false, false);
  EXPECT_DOUBLE_EQ(Eval(Ref(0x62)), 0.5);
}

// Nesting deeper than the cap neither overflows the stack nor loses the node's end.
TEST_F(Expressions, DeepNestingIsCappedAndSkipped) {
  for (uint32_t code : {kNot, kSum, 0x41u}) {
    const Expr head = Op(code, {}, 1), leaf = Int(1);
    Expr e;
    for (int i = 0; i < 20000; ++i) e.insert(e.end(), head.begin(), head.end());
    e.insert(e.end(), leaf.begin(), leaf.end());
    size_t consumed = 0;
    const double v = Eval(e, &consumed);
    EXPECT_EQ(consumed, e.size()) << code;
    EXPECT_TRUE(std::isfinite(v));
  }
  // Past the cap a subtree counts 0: a sum chain of depth 300 around 1 is 0, one of 50 is 1.
  Expr shallow = Int(1), deep = Int(1);
  for (int i = 0; i < 50; ++i) shallow = Op(kSum, {shallow});
  for (int i = 0; i < 300; ++i) deep = Op(kSum, {deep});
  EXPECT_EQ(Eval(shallow), 1);
  EXPECT_EQ(Eval(deep), 0);
}

}  // namespace
}  // namespace qv
