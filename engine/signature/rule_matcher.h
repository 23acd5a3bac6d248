// The rule matcher: one search pass sets a hit flag per pattern record, then every enabled
// rule's expression is scored over those hits, constants and other rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/signature/pattern_searcher.h"
#include "engine/signature/signature_library.h"

namespace qv {

struct RuleMatcher {
  const SignatureLibrary* library = nullptr;  // not owned
  PatternSearcher searcher;     // identifier = position in the sorted pattern array
  std::vector<uint8_t> patternHit;  // per pattern record: occurred in the current buffer
  std::vector<uint8_t> ruleDone;    // per rule record: score known for the current buffer
  std::vector<uint8_t> ruleBusy;    // per rule record: being evaluated (cycle guard)
  std::vector<double> ruleScore;
};

// Results of EvaluateRules besides the count.
inline constexpr int32_t kRulesMissingArgument = -1;
inline constexpr int32_t kRulesNoLibrary = -2;

// Builds the matcher over a parsed library; null when memory runs out.
std::unique_ptr<RuleMatcher> BuildRuleMatcher(const SignatureLibrary& library);

// Clears the hits and scores, searches the text, scores every enabled rule; answers the
// number of enabled rules whose score exceeds 0.0001.
int32_t EvaluateRules(RuleMatcher* matcher, const uint8_t* text, size_t length);

// Value of the node at `bytes` (with `remaining` bytes to the expression's end); `next` is set
// to the position after the node, or to `bytes` when the node is malformed (value 0).
// `depth` counts nested nodes and rule references; past the cap a node is skipped as 0.
double EvaluateExpression(RuleMatcher& matcher, const uint8_t* bytes, size_t remaining, const uint8_t** next,
                          int depth = 0);

}  // namespace qv
