// Wiping the streams below a storage and unlinking entries from sibling trees. The file
// after each edit equals the built file with exactly the expected bytes changed.
#include <gtest/gtest.h>

#include <string>

#include "engine/storage/compound_file.h"
#include "engine/storage/streams.h"
#include "engine/storage/writer.h"
#include "tests/support/doc/doc_harness.h"
#include "tests/storage/param_names.h"
#include "tests/support/bytes/test_bytes.h"
#include "writers/cfb/compound_writer.h"

namespace qv::test {
namespace {

using qv::writers::CfbBuilder;
using qv::writers::CfbFile;
namespace cfbc = qv::writers::cfbc;

using cfbc::kChild;
using cfbc::kLeft;
using cfbc::kNoStream;
using cfbc::kRight;

struct ProjectFile {
  CfbFile file;
  std::vector<uint32_t> below;  // the five streams below "Macros"
};

// "Macros" holds three streams and the storage "VBA" with two; "WordDocument" sits beside it.
ProjectFile Project() {
  CfbBuilder b;
  ProjectFile p;
  b.AddStream("WordDocument", PatternBytes(6000, 1));
  p.below.push_back(b.AddStream("Macros/PROJECT", PatternBytes(400, 2)));
  p.below.push_back(b.AddStream("Macros/PROJECTwm", PatternBytes(5000, 3)));
  p.below.push_back(b.AddStream("Macros/VBA/dir", PatternBytes(800, 4)));
  p.below.push_back(b.AddStream("Macros/VBA/ThisDocument", PatternBytes(7000, 5)));
  p.below.push_back(b.AddStream("Macros/Data", PatternBytes(90, 6)));
  b.AddStream("1Table", PatternBytes(3000, 7));
  p.file = b.BuildFile();
  return p;
}

TEST(WipeEntryStream, StreamsAreZeroedStoragesAndNoStreamAreNot) {
  ProjectFile p = Project();
  DocHarness h(p.file.bytes, ReadMode::File);
  ASSERT_EQ(h.Open(), 1);
  EXPECT_EQ(WipeEntryStream(h.doc(), p.file.IdOf("Macros")), 0);
  EXPECT_EQ(WipeEntryStream(h.doc(), kNoStream), 0);
  EXPECT_EQ(FirstDifference(h.DiskBytes(), p.file.bytes), std::nullopt);
  const uint32_t table = p.file.IdOf("1Table");
  EXPECT_EQ(WipeEntryStream(h.doc(), table), 1);
  p.file.Fill(p.file.StreamRanges(table), 0);
  EXPECT_EQ(FirstDifference(h.DiskBytes(), p.file.bytes), std::nullopt);
}

TEST(WipeSubtree, ZeroesEveryStreamBelowAStorageAndCountsTheEntriesVisited) {
  for (const ReadMode mode : {ReadMode::File, ReadMode::Memory}) {
    ProjectFile p = Project();
    DocHarness h(p.file.bytes, mode);
    ASSERT_EQ(h.Open(), 1);
    LeaveMemoryMode(h.doc());
    const int32_t macros = FindEntry(h.doc(), 0, u"Macros");
    ASSERT_EQ(macros, static_cast<int32_t>(p.file.IdOf("Macros")));
    EXPECT_EQ(WipeSubtree(h.doc(), EntryChild(*EntryAt(h.doc(), macros))), 6u);
    for (uint32_t id : p.below) p.file.Fill(p.file.StreamRanges(id), 0);
    EXPECT_EQ(FirstDifference(h.DiskBytes(), p.file.bytes), std::nullopt);
  }
}

TEST(WipeSubtree, CyclicLinksEndAndEveryEntryIsVisitedOnce) {
  ProjectFile p = Project();
  const uint32_t macros = p.file.IdOf("Macros");
  // Every stream below "Macros" gets a Child ID leading back to the top of the tree.
  const uint32_t top = p.file.EntryU32(macros, kChild);
  for (uint32_t id : p.below) p.file.SetEntryU32(id, kChild, top);
  CfbFile expected = p.file;
  for (uint32_t id : p.below) expected.Fill(expected.StreamRanges(id), 0);
  DocHarness h(p.file.bytes, ReadMode::File);
  ASSERT_EQ(h.Open(), 1);
  EXPECT_EQ(WipeSubtree(h.doc(), top), 6u);
  EXPECT_EQ(FirstDifference(h.DiskBytes(), expected.bytes), std::nullopt);
}

TEST(WipeSubtree, NothingForNoStreamTheRootOrAnInvalidId) {
  ProjectFile p = Project();
  DocHarness h(p.file.bytes, ReadMode::File);
  ASSERT_EQ(h.Open(), 1);
  EXPECT_EQ(WipeSubtree(h.doc(), kNoStream), 0u);
  EXPECT_EQ(WipeSubtree(h.doc(), 0), 0u);
  EXPECT_EQ(WipeSubtree(h.doc(), h.doc().DirCount), 0u);
  EXPECT_EQ(FirstDifference(h.DiskBytes(), p.file.bytes), std::nullopt);
}

// Storage "S" holds E (the entry to unlink) and A, B, C, Q, linked into the shape a case
// asks for; the expected file is the shaped file with the case's link edits.
struct Shape {
  uint32_t s, e, a, b, c, q;
};

struct UnlinkCase {
  std::string name;
  void (*shape)(CfbFile&, const Shape&);   // links before the unlink
  void (*expect)(CfbFile&, const Shape&);  // link edits the unlink makes
};
void PrintTo(const UnlinkCase& c, std::ostream* os) { *os << c.name; }

void Link(CfbFile& f, uint32_t id, uint32_t left, uint32_t right) {
  f.SetEntryU32(id, kLeft, left);
  f.SetEntryU32(id, kRight, right);
}

const UnlinkCase kUnlinkCases[] = {
    {"OnlyChild",
     [](CfbFile& f, const Shape& t) {
       f.SetEntryU32(t.s, kChild, t.e);
       Link(f, t.e, kNoStream, kNoStream);
     },
     [](CfbFile& f, const Shape& t) { f.SetEntryU32(t.s, kChild, kNoStream); }},
    {"TopOfATree",
     [](CfbFile& f, const Shape& t) {
       f.SetEntryU32(t.s, kChild, t.e);
       Link(f, t.e, t.a, t.c);
       Link(f, t.a, kNoStream, t.b);
       Link(f, t.b, kNoStream, kNoStream);
       Link(f, t.c, kNoStream, kNoStream);
     },
     [](CfbFile& f, const Shape& t) {
       f.SetEntryU32(t.s, kChild, t.a);
       f.SetEntryU32(t.b, kRight, t.c);
     }},
    {"TopWithOnlyARightSubtree",
     [](CfbFile& f, const Shape& t) {
       f.SetEntryU32(t.s, kChild, t.e);
       Link(f, t.e, kNoStream, t.c);
       Link(f, t.c, kNoStream, kNoStream);
     },
     [](CfbFile& f, const Shape& t) { f.SetEntryU32(t.s, kChild, t.c); }},
    {"LeftChildWhoseLeftChildHasARightSubtree",
     [](CfbFile& f, const Shape& t) {
       f.SetEntryU32(t.s, kChild, t.q);
       Link(f, t.q, t.e, kNoStream);
       Link(f, t.e, t.a, t.c);
       Link(f, t.a, kNoStream, t.b);
       Link(f, t.b, kNoStream, kNoStream);
       Link(f, t.c, kNoStream, kNoStream);
     },
     [](CfbFile& f, const Shape& t) {
       f.SetEntryU32(t.q, kLeft, t.a);
       f.SetEntryU32(t.b, kRight, t.c);
     }},
    {"RightChildWithoutALeftSubtree",
     [](CfbFile& f, const Shape& t) {
       f.SetEntryU32(t.s, kChild, t.q);
       Link(f, t.q, kNoStream, t.e);
       Link(f, t.e, kNoStream, t.c);
       Link(f, t.c, t.a, kNoStream);
       Link(f, t.a, kNoStream, kNoStream);
     },
     [](CfbFile& f, const Shape& t) { f.SetEntryU32(t.q, kRight, t.c); }},
    {"LeftSubtreeWhoseRightLinksLoop",
     [](CfbFile& f, const Shape& t) {
       f.SetEntryU32(t.s, kChild, t.e);
       Link(f, t.e, t.a, t.c);
       Link(f, t.a, kNoStream, t.b);
       Link(f, t.b, kNoStream, t.a);
       Link(f, t.c, kNoStream, kNoStream);
     },
     // No rightmost node exists: the left subtree takes E's place, nothing hangs off it.
     [](CfbFile& f, const Shape& t) { f.SetEntryU32(t.s, kChild, t.a); }},
};

class Unlink : public ::testing::TestWithParam<std::tuple<UnlinkCase, ReadMode>> {};

TEST_P(Unlink, TakesTheEntryOutAndWritesOnlyTheChangedLinks) {
  const auto& [c, mode] = GetParam();
  CfbBuilder b;
  Shape t{};
  t.s = b.AddStorage("S");
  t.e = b.AddStream("S/E", PatternBytes(100, 1));
  t.a = b.AddStream("S/A", PatternBytes(100, 2));
  t.b = b.AddStream("S/B", PatternBytes(100, 3));
  t.c = b.AddStream("S/C", PatternBytes(100, 4));
  t.q = b.AddStream("S/Q", PatternBytes(100, 5));
  CfbFile file = b.BuildFile();
  c.shape(file, t);
  DocHarness h(file.bytes, mode);
  ASSERT_EQ(h.Open(), 1);
  LeaveMemoryMode(h.doc());
  EXPECT_EQ(UnlinkEntry(h.doc(), t.e), 1);
  c.expect(file, t);
  EXPECT_EQ(FirstDifference(h.DiskBytes(), file.bytes), std::nullopt);
  // Out of the tree, still found by name through the whole-directory fallback.
  h.doc().visitCounter = 0;
  EXPECT_EQ(SearchSiblings(h.doc(), EntryChild(*EntryAt(h.doc(), t.s)), u"E"), -1);
  EXPECT_EQ(FindEntry(h.doc(), t.s, u"E"), static_cast<int32_t>(t.e));
}

INSTANTIATE_TEST_SUITE_P(Trees, Unlink,
                         ::testing::Combine(::testing::ValuesIn(kUnlinkCases),
                                            ::testing::Values(ReadMode::File, ReadMode::Memory)),
                         CaseAndModeName());

TEST(UnlinkEntry, RemovingAStorageLeavesItDetachedWithZeroedStreams) {
  ProjectFile p = Project();
  DocHarness h(p.file.bytes, ReadMode::File);
  ASSERT_EQ(h.Open(), 1);
  const uint32_t word = p.file.IdOf("WordDocument");
  const int32_t macros = FindEntry(h.doc(), 0, u"Macros");
  ASSERT_GE(macros, 1);
  WipeSubtree(h.doc(), EntryChild(*EntryAt(h.doc(), macros)));
  ASSERT_EQ(OpenStream(h.doc(), word), kStreamOpened);
  ASSERT_EQ(UnlinkEntry(h.doc(), FindEntry(h.doc(), 0, u"Macros")), 1);
  uint8_t byte = 0;
  EXPECT_EQ(ReadStream(h.doc(), &byte, 1), 0) << "the stream's chain list was overwritten: reopen first";
  EXPECT_EQ(WriteU8(h.doc(), 0x55), 0);
  CloseStream(h.doc());
  EXPECT_EQ(h.ReadWhole(word), p.file.StreamBytes(word));
  EXPECT_EQ(FindEntry(h.doc(), 0, u"Macros"), macros);
  EXPECT_EQ(UnlinkEntry(h.doc(), static_cast<uint32_t>(macros)), 1) << "a second unlink only rewrites";
  EXPECT_EQ(UnlinkEntry(h.doc(), kNoStream), 0);
  EXPECT_EQ(UnlinkEntry(h.doc(), h.doc().DirCount), 0);
  // The directory as the engine holds it, and the file, agree; the tree no longer holds "Macros".
  h.doc().visitCounter = 0;
  EXPECT_EQ(SearchSiblings(h.doc(), EntryChild(*EntryAt(h.doc(), 0)), u"Macros"), -1);
  EXPECT_EQ(SearchSiblings(h.doc(), EntryChild(*EntryAt(h.doc(), 0)), u"1Table"),
            static_cast<int32_t>(p.file.IdOf("1Table")));
  DocHarness reopened(h.DiskBytes(), ReadMode::File);
  ASSERT_EQ(reopened.Open(), 1);
  for (uint32_t id : p.below) EXPECT_EQ(reopened.ReadWhole(id), std::vector<uint8_t>(p.file.entries[id].size, 0));
  EXPECT_EQ(h.DiskBytes().size(), p.file.bytes.size());
}

}  // namespace
}  // namespace qv::test
