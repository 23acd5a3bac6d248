// The shipped signature set judged on the corpora: every positive case is reported under
// exactly the expected names, nothing in the benign corpora is reported, every shipped rule
// has a positive case, and no pattern alone is enough for a rule.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/common/work_area.h"
#include "engine/signature/signature_set.h"
#include "tests/signature_set/corpus.h"
#include "tests/support/vlb/vlb_builder.h"

namespace qv::test::sigset {
namespace {

std::vector<std::string> g_reported;

bool Record(const char* name, WorkArea&) {
  g_reported.push_back(name);
  return true;
}

class ShippedSet : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::vector<uint8_t> image = BuildShippedLibrary();
    area_ = new WorkArea();
    tables_ = BuildTablesFromImage(image.data(), image.size(), &Record).release();
    ASSERT_NE(tables_, nullptr);
    AttachWorkArea(*tables_, *area_);
  }
  static void TearDownTestSuite() {
    delete tables_;
    delete area_;
  }

  struct Verdict {
    int32_t fired = 0;                  // rules scoring above 0.0001
    std::vector<std::string> reported;  // rules reported (above 0.001), in order
  };
  static Verdict Judge(const std::vector<uint8_t>& text) {
    g_reported.clear();
    Verdict v;
    v.fired = MatchRulesCounted(text.data(), static_cast<uint32_t>(text.size()), *tables_);
    v.reported = g_reported;
    return v;
  }
  static const SignatureLibrary& Library() { return *tables_->library; }

  static WorkArea* area_;
  static SignatureTables* tables_;
};

WorkArea* ShippedSet::area_ = nullptr;
SignatureTables* ShippedSet::tables_ = nullptr;

std::vector<CorpusCase> AllPositive() {
  std::vector<CorpusCase> all = PositiveModules();
  for (CorpusCase& c : PositiveSheets()) all.push_back(std::move(c));
  for (CorpusCase& c : PositiveWordBasic()) all.push_back(std::move(c));
  for (CorpusCase& c : PositiveSheetTexts()) all.push_back(std::move(c));
  return all;
}

TEST_F(ShippedSet, EveryPositiveCaseIsReportedUnderExactlyTheExpectedNames) {
  for (const CorpusCase& c : AllPositive()) {
    ASSERT_FALSE(c.expected.empty()) << c.name;
    const Verdict v = Judge(c.text);
    EXPECT_EQ(v.reported, c.expected) << c.name;
    EXPECT_EQ(v.fired, static_cast<int32_t>(c.expected.size())) << c.name;
  }
}

TEST_F(ShippedSet, NothingInTheBenignCorporaFires) {
  std::vector<CorpusCase> benign = BenignModules();
  for (CorpusCase& c : BenignSheets()) benign.push_back(std::move(c));
  for (CorpusCase& c : BenignWordBasic()) benign.push_back(std::move(c));
  for (CorpusCase& c : BenignSheetTexts()) benign.push_back(std::move(c));
  for (const CorpusCase& c : benign) {
    const Verdict v = Judge(c.text);
    EXPECT_EQ(v.reported, std::vector<std::string>{}) << c.name;
    EXPECT_EQ(v.fired, 0) << c.name;
  }
}

TEST_F(ShippedSet, EveryShippedRuleHasAPositiveCase) {
  std::set<std::string> covered;
  for (const CorpusCase& c : AllPositive()) covered.insert(c.expected.begin(), c.expected.end());
  std::set<std::string> shipped;
  for (const RuleRecord& rule : Library().rules) {
    if (rule.Enabled()) shipped.insert(rule.name);
  }
  EXPECT_EQ(covered, shipped);
}

TEST_F(ShippedSet, EveryReportedNameIsUniqueAndNamesTheKindOfMacro) {
  std::set<std::string> names;
  for (const RuleRecord& rule : Library().rules) {
    if (!rule.Enabled()) continue;
    EXPECT_TRUE(names.insert(rule.name).second) << "two rules report " << rule.name;
    EXPECT_EQ(rule.name.rfind("Macro.", 0), 0u) << rule.name;
  }
}

// One common word, or any other single pattern, never makes a report: every rule but the
// test signature's needs at least two independent patterns.
TEST_F(ShippedSet, NoPatternAloneIsEnoughForARule) {
  const std::string testText = kTestSignatureText;
  for (const PatternRecord& pattern : Library().patterns) {
    const std::string text(pattern.pattern.begin(), pattern.pattern.end());
    const std::vector<std::string> expected =
        text == testText ? std::vector<std::string>{kTestSignatureName} : std::vector<std::string>{};
    for (const std::string& wrapped :
         {text, "Attribute VB_Name = \"Module1\"\r\nSub Report()\r\n  x = \"" + text + "\"\r\nEnd Sub\r\n"}) {
      EXPECT_EQ(Judge(std::vector<uint8_t>(wrapped.begin(), wrapped.end())).reported, expected)
          << "pattern 0x" << std::hex << pattern.id << " \"" << text << "\"";
    }
  }
}

}  // namespace
}  // namespace qv::test::sigset
