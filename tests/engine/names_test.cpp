// The small name rules every layer shares: ASCII letter case and numbered free names.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine/common/ascii_case.h"
#include "engine/common/numbered_name.h"

namespace qv::testing {
namespace {

TEST(AsciiCase, OnlyAsciiLettersFold) {
  const struct {
    std::u16string a, b;
    bool equal;
  } cases[] = {
      {u"WordDocument", u"WORDDOCUMENT", true},
      {u"_VBA_PROJECT", u"_vba_project", true},
      {u"a@[`{z", u"A@[`{Z", true},    // the units around the letters stay themselves
      {u"@", u"`", false},             // 0x40 and 0x60 are not letters
      {u"[", u"{", false},
      {u"\u00e9", u"\u00c9", false},   // é and É: not ASCII
      {u"\u0131", u"I", false},        // dotless i is not i
      {u"abc", u"abcd", false},
      {u"", u"", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EqualsFoldingAscii(c.a, c.b), c.equal);
    EXPECT_EQ(EqualsFoldingAscii(c.b, c.a), c.equal);
  }
  EXPECT_EQ(AsciiLower('Q'), 'q');
  EXPECT_EQ(AsciiLower('['), '[');
  EXPECT_EQ(AsciiUpper(u'z'), u'Z');
  EXPECT_EQ(AsciiUpper(u'{'), u'{');
}

TEST(AsciiCase, PrefixesAndSuffixes) {
  EXPECT_TRUE(StartsWithFoldingAscii(u"/Home/RepairBrack/x.doc", u"/home/repairbrack/"));
  EXPECT_FALSE(StartsWithFoldingAscii(u"/home/Repair", u"/home/repairbrack/"));
  EXPECT_TRUE(EndsWithFoldingAscii(std::string_view("xl/VBAPROJECT.BIN"), "vbaProject.bin"));
  EXPECT_FALSE(EndsWithFoldingAscii(std::string_view("bin"), ".bin"));
  EXPECT_TRUE(EndsWithFoldingAscii(std::string_view("x"), ""));
}

TEST(NumberedName, FirstPlainThenNumberedBeforeTheTail) {
  EXPECT_EQ(NumberedName(u"/q/Report", 1, u".doc.vir"), u"/q/Report.doc.vir");
  EXPECT_EQ(NumberedName(u"/q/Report", 2, u".doc.vir"), u"/q/Report(2).doc.vir");
  EXPECT_EQ(NumberedName(u"/d/Book.xlsm", 100, u".bin"), u"/d/Book.xlsm(100).bin");
  EXPECT_EQ(NumberedName(u"x", 0, u""), u"x");
}

TEST(NumberedName, SearchStopsAtTheFirstChosenOrFailedName) {
  const std::set<std::u16string> taken = {u"a.bin", u"a(2).bin", u"a(4).bin"};
  std::u16string chosen;
  int offered = 0;
  auto tryFree = [&](const std::u16string& name) {
    ++offered;
    if (taken.count(name) != 0) return NameTrial::Taken;
    chosen = name;
    return NameTrial::Chosen;
  };
  EXPECT_TRUE(SearchNumberedNames(u"a", u".bin", 10, tryFree));
  EXPECT_EQ(chosen, u"a(3).bin");
  EXPECT_EQ(offered, 3);

  // every number taken: no name, and no more than `limit` offers
  offered = 0;
  EXPECT_FALSE(SearchNumberedNames(u"a", u".bin", 2, tryFree));
  EXPECT_EQ(offered, 2);

  // a failure ends the search at once
  offered = 0;
  EXPECT_FALSE(SearchNumberedNames(u"a", u".bin", 10, [&](const std::u16string&) {
    ++offered;
    return NameTrial::Failed;
  }));
  EXPECT_EQ(offered, 1);
}

}  // namespace
}  // namespace qv::testing
