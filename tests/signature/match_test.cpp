// MatchRules: reports in ascending rule order above 0.001, enabled rules only, hits that do
// not carry over between buffers, UTF-16 forms, case handling, and the shipped test signature.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/common/work_area.h"
#include "engine/flow/report.h"
#include "engine/signature/signature_set.h"
#include "tests/support/vlb/vlb_builder.h"

namespace qv {
namespace {

std::vector<std::string> g_reported;  // what the recording ReportFn saw, in order
bool g_answer = true;

bool Recorder(const char* name, WorkArea&) {
  g_reported.push_back(name);
  return g_answer;
}

bool Abandoner(const char* name, WorkArea&) {
  g_reported.push_back(name);
  throw DocumentAbandoned{};
}

class Matching : public ::testing::Test {
 protected:
  void Load(const std::vector<uint8_t>& image, ReportFn report = &Recorder) {
    tables_ = BuildTablesFromImage(image.data(), image.size(), report);
    ASSERT_NE(tables_, nullptr);
    AttachWorkArea(*tables_, *area_);
    g_reported.clear();
    g_answer = true;
  }
  int32_t Match(const std::string& text) {
    return MatchRulesCounted(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()), *tables_);
  }
  std::unique_ptr<WorkArea> area_ = std::make_unique<WorkArea>();
  std::unique_ptr<SignatureTables> tables_;
};

TEST_F(Matching, ShippedTestSignatureFiresOnItsString) {
  Load(test::BuildShippedLibrary());
  const std::string marker = test::kTestSignatureText;
  std::u16string wide(marker.begin(), marker.end());
  const std::string utf16(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
  struct Case {
    const char* name;
    std::string text;
    bool fires;
  } cases[] = {
      {"in VBA text", "Attribute VB_Name = \"M\"\r\nSub AutoOpen()\r\n  MsgBox \"" + marker + "\"\r\nEnd Sub\r\n", true},
      {"the string alone", marker, true},
      {"UTF-16 form", "x" + utf16, true},
      {"other case (the pattern is exact)", "quorvane-macro-test-signature", false},
      {"one character short", marker.substr(0, marker.size() - 1), false},
      {"clean macro", "Sub Main()\r\nEnd Sub\r\n", false},
  };
  for (const Case& c : cases) {
    g_reported.clear();
    EXPECT_EQ(Match(c.text), c.fires ? 1 : 0) << c.name;
    EXPECT_EQ(g_reported, c.fires ? std::vector<std::string>{test::kTestSignatureName} : std::vector<std::string>{})
        << c.name;
  }
}

TEST_F(Matching, ReportsEnabledRulesAboveOneThousandthInIdentifierOrder) {
  Load(test::BuildLibrary(R"(
pattern 0x1 "trigger"
rule 0x30 "Third" = p(0x1) * 0.5
rule 0x10 "First" = p(0x1)
rule 0x20 "AtThreshold" = p(0x1) * 0.001
rule 0x25 "JustAbove" = p(0x1) * 0.0011
rule 0x05 "Hidden" disabled = p(0x1)
rule 0x40 "UsesHidden" = r(0x05) + r(0x05)
)"));
  // Fired (above 0.0001): 0x10, 0x20, 0x25, 0x30, 0x40; reported (above 0.001): not 0x20.
  EXPECT_EQ(Match("a trigger here"), 5);
  EXPECT_EQ(g_reported, (std::vector<std::string>{"First", "JustAbove", "Third", "UsesHidden"}));
  g_reported.clear();
  EXPECT_EQ(Match("nothing"), 0);
  EXPECT_TRUE(g_reported.empty());
}

TEST_F(Matching, HitsDoNotCarryOverBetweenBuffers) {
  Load(test::BuildLibrary(R"(
pattern 0x1 "CreateObject"
pattern 0x2 "Shell"
rule 0x1 "Both" = p(0x1) and p(0x2)
)"));
  EXPECT_EQ(Match("x = CreateObject(y)"), 0);
  EXPECT_EQ(Match("Shell z"), 0);
  EXPECT_TRUE(g_reported.empty());
  EXPECT_EQ(Match("CreateObject Shell"), 1);
  EXPECT_EQ(g_reported, std::vector<std::string>{"Both"});
}

TEST_F(Matching, PatternFlagsCaseAndUtf16) {
  Load(test::BuildLibrary(R"(
pattern 0x1 "\xB0\xA1" utf16
pattern 0x2 "MixedCase" case
pattern 0x3 "anycase"
rule 0x1 "Wide" = p(0x1)
rule 0x2 "Exact" = p(0x2)
rule 0x3 "Loose" = p(0x3)
)"));
  struct Case {
    std::string text;
    std::vector<std::string> reported;
  } cases[] = {
      {std::string("..\x4A\x55..", 6), {"Wide"}},  // U+554A little-endian
      {"\xB0\xA1", {"Wide"}},
      {"MixedCase ANYCASE", {"Exact", "Loose"}},
      {"mixedcase", {}},
  };
  for (const Case& c : cases) {
    g_reported.clear();
    Match(c.text);
    EXPECT_EQ(g_reported, c.reported) << c.text;
  }
}

TEST_F(Matching, FalseAnswerStopsReportsAndAbandonPropagates) {
  const auto image = test::BuildLibrary(R"(
pattern 0x1 "x"
rule 0x1 "A" = p(0x1)
rule 0x2 "B" = p(0x1)
)");
  Load(image);
  g_answer = false;
  EXPECT_EQ(Match("x"), 2);
  EXPECT_EQ(g_reported, std::vector<std::string>{"A"});

  Load(image, &Abandoner);
  EXPECT_THROW(Match("x"), DocumentAbandoned);
  EXPECT_EQ(g_reported, std::vector<std::string>{"A"});
  g_reported.clear();
  EXPECT_THROW(Match("x"), DocumentAbandoned);  // the matcher is reusable after an abandon
}

TEST_F(Matching, NothingToMatchGivesZero) {
  Load(test::BuildLibrary("pattern 1 \"a\"\nrule 1 \"Const\" = 1\n"));
  EXPECT_EQ(MatchRulesCounted(nullptr, 5, *tables_), 0);
  EXPECT_EQ(MatchRulesCounted(reinterpret_cast<const uint8_t*>("a"), 0, *tables_), 0);
  EXPECT_TRUE(g_reported.empty());
  EXPECT_EQ(EvaluateRules(nullptr, reinterpret_cast<const uint8_t*>("a"), 1), kRulesMissingArgument);
  RuleMatcher orphan;
  EXPECT_EQ(EvaluateRules(&orphan, reinterpret_cast<const uint8_t*>("a"), 1), kRulesNoLibrary);
  // A rule of constants scores without any pattern hit.
  EXPECT_EQ(Match("zzz"), 1);
  EXPECT_EQ(g_reported, std::vector<std::string>{"Const"});
}

TEST(MatchingWorkArea, EngineEntryPointsReportToTheAttachedArea) {
  auto area = std::make_unique<WorkArea>();
  area->libraryImage = test::BuildShippedLibrary();
  ASSERT_TRUE(BuildSignatureTables(*area, &Recorder));
  g_reported.clear();
  const std::string text = std::string("MsgBox \"") + test::kTestSignatureText + "\"";
  MatchRules(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()), *area->tables);
  EXPECT_EQ(g_reported, std::vector<std::string>{test::kTestSignatureName});
  ReleaseSignatureTables(*area);
}

}  // namespace
}  // namespace qv
