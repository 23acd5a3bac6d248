// The streaming walk's folder listing against the ordered set of the two-phase run: the same
// names in the same order, for names of every kind of code unit.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "frontend/driver/folder_listing.h"

namespace qv::frontend {
namespace {

std::vector<std::u16string> Listed(const FolderListing& listing) {
  std::vector<std::u16string> out;
  for (size_t i = 0; i < listing.size(); ++i) out.emplace_back(listing[i]);
  return out;
}

TEST(FolderListing, SortsLikeTheOrderedSetOfPaths) {
  // Code units around the separators and the letter cases, a high surrogate (which sorts
  // below U+E000 as a code unit, above it as a code point) and its low half, U+E000 and
  // U+FFFF.
  const std::u16string alphabet = u"\u0020!-./0\\AZ_ab\u00e9\u4e2d\xd835\xdc00\ue000\uffff";
  std::mt19937 random(20261210);
  for (int round = 0; round < 200; ++round) {
    std::set<std::u16string> names;
    const int count = static_cast<int>(random() % 60);
    for (int i = 0; i < count; ++i) {
      std::u16string name(1 + random() % 6, u' ');
      for (auto& unit : name) unit = alphabet[random() % alphabet.size()];
      names.insert(name);
    }
    FolderListing listing;
    // added in an order of their own (as a directory hands them out)
    std::vector<std::u16string> shuffled(names.begin(), names.end());
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    for (const auto& name : shuffled) ASSERT_TRUE(listing.Add(name));
    listing.Sort();
    ASSERT_EQ(Listed(listing), std::vector<std::u16string>(names.begin(), names.end())) << "round " << round;
  }
}

TEST(FolderListing, ShorterPrefixFirstCapitalsFirstSurrogatesBelowPrivateUse) {
  FolderListing listing;
  for (const char16_t* name : {u"b.doc", u"b-c", u"b", u"B", u"\ue000", u"\xd835\xdc00"}) ASSERT_TRUE(listing.Add(name));
  listing.Sort();
  EXPECT_EQ(Listed(listing),
            (std::vector<std::u16string>{u"B", u"b", u"b-c", u"b.doc", u"\xd835\xdc00", u"\ue000"}));
}

}  // namespace
}  // namespace qv::frontend
