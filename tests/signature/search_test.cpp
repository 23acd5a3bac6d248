// PatternSearcher: the worked examples, the result codes, and a differential test of both
// modes against a naive search over generated pattern sets and texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/signature/pattern_searcher.h"

namespace qv {
namespace {

using Report = std::pair<uint32_t, uint32_t>;  // (offset, id)

struct Pat {
  std::string text;
  uint32_t id;
  bool noCase;
};

int Record(uint32_t id, uint32_t offset, void* context) {
  static_cast<std::vector<Report>*>(context)->push_back({offset, id});
  return 0;
}

std::vector<Report> Search(const std::vector<Pat>& patterns, const std::string& text, int64_t* result = nullptr) {
  PatternSearcher searcher;
  for (const Pat& p : patterns) {
    EXPECT_EQ(AddPattern(&searcher, reinterpret_cast<const uint8_t*>(p.text.data()), p.text.size(), p.id, p.noCase),
              kPatternAdded);
  }
  EXPECT_EQ(PreparePatterns(&searcher), kPrepared);
  std::vector<Report> reports;
  const int64_t got =
      SearchPatterns(&searcher, reinterpret_cast<const uint8_t*>(text.data()), text.size(), &Record, &reports);
  EXPECT_EQ(got, static_cast<int64_t>(reports.size()));
  if (result) *result = got;
  return reports;
}

// Three long patterns that never occur in the example texts (they push a set into grouped mode).
std::vector<Pat> WithFillers(std::vector<Pat> patterns, size_t fillers) {
  for (size_t i = 0; i < fillers; ++i) patterns.push_back({"ZZZZZZZ" + std::to_string(i), 100 + uint32_t(i), true});
  return patterns;
}

TEST(PatternSearcher, WorkedExamples) {
  struct Case {
    const char* name;
    std::vector<Pat> patterns;
    std::string text;
    std::vector<Report> expected;
  } cases[] = {
      {"case-insensitive abc, exact ABD rejects abd", WithFillers({{"abc", 1, true}, {"ABD", 2, false}}, 3),
       "xxABCxxabdABD", {{2, 1}, {10, 2}}},
      {"length-1 pattern A and AB on AC", WithFillers({{"A", 1, true}, {"AB", 2, true}}, 3), "AC", {{0, 1}}},
      {"grouped AA on AAAA overlaps", WithFillers({{"AA", 1, true}}, 4), "AAAA", {{0, 1}, {1, 1}, {2, 1}}},
      {"small AA on AAAA does not overlap", {{"AA", 1, true}}, "AAAA", {{0, 1}, {2, 1}}},
      {"small exact pattern found after a case variant", {{"ABD", 7, false}}, "abdABD", {{3, 7}}},
      {"small mode, length-1 pattern", {{"q", 3, true}, {"xy", 4, true}}, "QaqxY", {{0, 3}, {2, 3}, {3, 4}}},
      {"grouped, text shorter than the shortest pattern", WithFillers({{"abcd", 1, true}}, 4), "abc", {}},
      {"only a-z are folded", WithFillers({{"\xE1x", 1, true}, {"[", 2, true}}, 3), "\xC1X{[", {{3, 2}}},
  };
  for (const Case& c : cases) {
    std::vector<Report> got = Search(c.patterns, c.text);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, c.expected) << c.name;
  }
}

int StopAtOnce(uint32_t, uint32_t, void* calls) {
  ++*static_cast<int*>(calls);
  return 1;
}

TEST(PatternSearcher, NonzeroCallbackAnswerStopsTheSearch) {
  for (size_t fillers : {0, 4}) {  // small and grouped mode
    PatternSearcher searcher;
    for (const Pat& p : WithFillers({{"ab", 1, true}}, fillers)) {
      AddPattern(&searcher, reinterpret_cast<const uint8_t*>(p.text.data()), p.text.size(), p.id, p.noCase);
    }
    const std::string text = "ab ab ab";
    int calls = 0;
    EXPECT_EQ(SearchPatterns(&searcher, reinterpret_cast<const uint8_t*>(text.data()), text.size(), &StopAtOnce, &calls), 1);
    EXPECT_EQ(calls, 1);
  }
}

TEST(PatternSearcher, ResultCodes) {
  const uint8_t bytes[] = {'a', 'b'};
  PatternSearcher searcher;
  EXPECT_EQ(AddPattern(nullptr, bytes, 2, 1, true), kSearchNoSearcher);
  EXPECT_EQ(AddPattern(&searcher, nullptr, 2, 1, true), kSearchBadArgument);
  EXPECT_EQ(AddPattern(&searcher, bytes, 0, 1, true), kSearchBadArgument);
  EXPECT_EQ(PreparePatterns(nullptr), kSearchNoSearcher);
  std::vector<Report> reports;
  EXPECT_EQ(SearchPatterns(nullptr, bytes, 2, &Record, &reports), kSearchNoSearcher);
  EXPECT_EQ(SearchPatterns(&searcher, nullptr, 2, &Record, &reports), kSearchBadArgument);
  EXPECT_EQ(SearchPatterns(&searcher, bytes, 0, &Record, &reports), kSearchBadArgument);
  EXPECT_EQ(SearchPatterns(&searcher, bytes, 2, &Record, &reports), 0);  // no patterns: nothing found

  // Searching prepares a searcher that was never prepared.
  ASSERT_EQ(AddPattern(&searcher, bytes, 2, 9, true), kPatternAdded);
  EXPECT_FALSE(searcher.prepared);
  EXPECT_EQ(SearchPatterns(&searcher, bytes, 2, &Record, &reports), 1);
  EXPECT_TRUE(searcher.prepared);
  EXPECT_EQ(reports, (std::vector<Report>{{0, 9}}));
}

// ---- differential test -------------------------------------------------------------------

bool MatchesAt(const Pat& p, const std::string& text, size_t at) {
  if (at + p.text.size() > text.size()) return false;
  for (size_t k = 0; k < p.text.size(); ++k) {
    const auto t = static_cast<uint8_t>(text[at + k]), q = static_cast<uint8_t>(p.text[k]);
    if (p.noCase ? UpperAscii(t) != UpperAscii(q) : t != q) return false;
  }
  return true;
}

// Grouped mode: every occurrence, overlapping ones included.
std::vector<Report> NaiveAll(const std::vector<Pat>& patterns, const std::string& text) {
  std::vector<Report> out;
  for (size_t at = 0; at < text.size(); ++at) {
    for (const Pat& p : patterns) {
      if (MatchesAt(p, text, at)) out.push_back({uint32_t(at), p.id});
    }
  }
  return out;
}

// Small mode: per pattern, leftmost occurrences that do not overlap each other.
std::vector<Report> NaiveNonOverlapping(const std::vector<Pat>& patterns, const std::string& text) {
  std::vector<Report> out;
  for (const Pat& p : patterns) {
    for (size_t at = 0; at < text.size();) {
      if (MatchesAt(p, text, at)) {
        out.push_back({uint32_t(at), p.id});
        at += p.text.size();
      } else {
        ++at;
      }
    }
  }
  return out;
}

// Random bytes from a small alphabet (so that patterns occur often), both cases of letters.
std::string RandomText(std::mt19937& rng, size_t length, const std::string& alphabet) {
  std::string out(length, ' ');
  for (char& c : out) c = alphabet[rng() % alphabet.size()];
  return out;
}

std::vector<Pat> RandomPatterns(std::mt19937& rng, size_t count, size_t minLength, size_t maxLength,
                                const std::string& alphabet) {
  std::vector<Pat> out;
  for (size_t i = 0; i < count; ++i) {
    const size_t length = minLength + rng() % (maxLength - minLength + 1);
    out.push_back({RandomText(rng, length, alphabet), uint32_t(i * 7 + 3), rng() % 2 == 0});
  }
  return out;
}

TEST(PatternSearcher, AgreesWithNaiveSearch) {
  std::mt19937 rng(20151223);
  const std::string alphabet = "abAB\x01\xC8" "c";
  struct Shape {
    size_t count, minLength, maxLength;
  } shapes[] = {{1, 1, 3},  {2, 1, 4},  {4, 2, 6},   {5, 1, 1},    {5, 2, 2},    {10, 1, 6},
                {30, 3, 8}, {300, 2, 9}, {300, 1, 12}, {3000, 2, 10}, {3000, 1, 10}, {40, 6, 300}};
  for (const Shape& shape : shapes) {
    for (int round = 0; round < 3; ++round) {
      const std::vector<Pat> patterns = RandomPatterns(rng, shape.count, shape.minLength, shape.maxLength, alphabet);
      const std::string text = RandomText(rng, 1 + rng() % 3000, alphabet);
      std::vector<Report> got = Search(patterns, text);
      std::vector<Report> want =
          shape.count < kSmallModeLimit ? NaiveNonOverlapping(patterns, text) : NaiveAll(patterns, text);
      if (shape.count >= kSmallModeLimit) {
        // Grouped mode reports in order of start offset.
        EXPECT_TRUE(std::is_sorted(got.begin(), got.end(),
                                   [](const Report& a, const Report& b) { return a.first < b.first; }));
      }
      std::sort(got.begin(), got.end());
      std::sort(want.begin(), want.end());
      ASSERT_EQ(got, want) << shape.count << " patterns of " << shape.minLength << "-" << shape.maxLength
                           << " bytes, text of " << text.size();
    }
  }
}

TEST(PatternSearcher, EqualPatternsWithDifferentIdsAreAllReported) {
  const std::vector<Pat> patterns = WithFillers({{"dup", 1, true}, {"DUP", 2, true}, {"dup", 3, false}}, 2);
  std::vector<Report> got = Search(patterns, "a Dup dup");
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<Report>{{2, 1}, {2, 2}, {6, 1}, {6, 2}, {6, 3}}));
}

}  // namespace
}  // namespace qv
