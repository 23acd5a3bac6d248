// Node codes of a rule expression: a tree in prefix order, every node starting with a 4-byte
// code. Leaves carry one operand; operators carry a one-byte child count and the children.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv::expr {

inline constexpr uint32_t kInteger = 0x00000000;      // signed 32-bit integer
inline constexpr uint32_t kTruth = 0x00000001;        // one byte, nonzero = 1
inline constexpr uint32_t kSingle = 0x00000002;       // IEEE single
inline constexpr uint32_t kDouble = 0x00000003;       // IEEE double
inline constexpr uint32_t kPatternHit = 0xFFFFFFFE;   // 32-bit pattern identifier
inline constexpr uint32_t kRuleRef = 0xFFFFFFFF;      // 32-bit rule identifier

inline constexpr uint32_t kSum = 0x20;
inline constexpr uint32_t kDifference = 0x21;
inline constexpr uint32_t kProduct = 0x22;
inline constexpr uint32_t kQuotient = 0x23;
inline constexpr uint32_t kAnd = 0x26;
inline constexpr uint32_t kOr = 0x27;
inline constexpr uint32_t kNot = 0x28;
inline constexpr uint32_t kXor = 0x29;
inline constexpr uint32_t kGreater = 0x2C;
inline constexpr uint32_t kGreaterEqual = 0x2D;
inline constexpr uint32_t kEqual = 0x2E;
inline constexpr uint32_t kLessEqual = 0x2F;
inline constexpr uint32_t kLess = 0x30;

inline constexpr size_t kCodeBytes = 4;
inline constexpr size_t kOperatorHeadBytes = 5;        // code + child count

inline constexpr double kTrueMagnitude = 0.0001;       // |value| >= this is "true"
inline constexpr double kFiredScore = 0.0001;          // a rule fires above this
inline constexpr double kReportedScore = 0.001;        // an enabled rule is reported above this
inline constexpr double kMissingSecondOperand = -1e38; // comparison with one child

// Whole size of a leaf node with this code; 0 for an operator.
constexpr size_t LeafBytes(uint32_t code) {
  switch (code) {
    case kTruth: return 5;
    case kDouble: return 12;
    case kInteger:
    case kSingle:
    case kPatternHit:
    case kRuleRef: return 8;
    default: return 0;
  }
}

}  // namespace qv::expr
