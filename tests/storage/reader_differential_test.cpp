// Every stream of a set of built files reads back byte for byte, from the file and from a
// memory image, and the directory sizes around the capacities open or fail as they must.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "engine/storage/compound_file.h"
#include "engine/storage/streams.h"
#include "tests/support/doc/doc_harness.h"
#include "tests/storage/param_names.h"
#include "tests/support/bytes/test_bytes.h"
#include "writers/cfb/compound_writer.h"

namespace qv::test {
namespace {

using qv::writers::CfbBuilder;
using qv::writers::CfbFile;
using qv::writers::StreamPlacement;
using qv::writers::TreeShape;
namespace cfbc = qv::writers::cfbc;

using Kind = StreamPlacement::Kind;

struct BuiltCase {
  std::string name;
  CfbFile (*build)();
};
void PrintTo(const BuiltCase& c, std::ostream* os) { *os << c.name; }

CfbFile MixedDocument() {
  CfbBuilder b;
  b.AddStream("WordDocument", PatternBytes(9000, 1));
  b.AddStream("1Table", PatternBytes(4096, 2));      // regular: not below the cutoff
  b.AddStream("Tiny", PatternBytes(4095, 3));        // small: just below it
  b.AddStream("\x01" "CompObj", PatternBytes(121, 4));
  b.AddStream("Macros/VBA/dir", PatternBytes(700, 5));
  b.AddStream("Macros/VBA/Module1", PatternBytes(2600, 6), {Kind::Mini, {}, true});
  b.AddStream("Macros/VBA/Module2", PatternBytes(5100, 7), {Kind::Regular, {}, true});
  b.AddStream("Macros/PROJECT", PatternBytes(64, 8));
  b.AddStream("Macros/Empty", {});
  b.AddStream("ObjectPool/_1/Ole", PatternBytes(20, 9));
  b.AddStream("中文名", PatternBytes(300, 11));
  return b.BuildFile();
}

CfbFile ChosenCutoff() {
  CfbBuilder b;
  b.SetMiniCutoff(100);
  b.AddStream("Below", PatternBytes(99, 12));
  b.AddStream("At", PatternBytes(100, 13));
  b.AddStream("Above", PatternBytes(3000, 14));
  return b.BuildFile();
}

// 9,766 sectors of one stream: a heap chain list, and links past sector 8,191 that come
// from FAT sectors read on demand.
CfbFile LargeStream() {
  CfbBuilder b;
  b.AddStream("Big", PatternBytes(5000000, 15), {Kind::Auto, {}, true});
  b.AddStream("Small", PatternBytes(333, 16));
  return b.BuildFile();
}

// 120 FAT sectors: the last 11 are named by a DIFAT sector, and a stream placed above
// sector 13,952 is followed through them.
CfbFile DifatSectors() {
  CfbBuilder b;
  b.SetMinFatSectors(120);
  b.AddStream("Low", PatternBytes(1500, 17));
  b.AddStream("High", PatternBytes(5000, 18), {Kind::Regular, 14100u, true});
  return b.BuildFile();
}

CfbFile FifteenDirectorySectors() {
  CfbBuilder b;
  b.SetMinDirectorySectors(15);
  for (int i = 0; i < 40; ++i) b.AddStream("S" + std::to_string(i), PatternBytes(100 + 197 * i, 100 + i));
  return b.BuildFile();
}

CfbFile NinetySixDirectorySectors() {
  CfbBuilder b;
  b.SetMinDirectorySectors(96);
  for (int i = 0; i < 300; ++i) {
    const size_t size = i % 10 == 0 ? 10 * i + 1 : 4096 + 13 * i;  // a few small ones
    b.AddStream("Store" + std::to_string(i % 7) + "/S" + std::to_string(i), PatternBytes(size, 500 + i));
  }
  return b.BuildFile();
}

class ReadBack : public ::testing::TestWithParam<std::tuple<BuiltCase, ReadMode>> {};

TEST_P(ReadBack, EveryStreamMatchesTheBuilderBytes) {
  const auto& [built, mode] = GetParam();
  const CfbFile file = built.build();
  DocHarness h(file.bytes, mode);
  ASSERT_EQ(h.Open(), 1);
  EXPECT_EQ(h.doc().DirCount, file.directoryEntryCount + 1);
  for (uint32_t id = 1; id < file.entries.size(); ++id) {
    const CfbFile::Entry& entry = file.entries[id];
    SCOPED_TRACE(entry.path);
    EXPECT_EQ(FindEntry(h.doc(), entry.parent, entry.name), static_cast<int32_t>(id));
    const auto got = h.ReadWhole(id);
    if (entry.type != 2 || entry.size == 0) {
      EXPECT_FALSE(got.has_value());
      continue;
    }
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(h.doc().current.mini != 0, entry.mini);
    EXPECT_TRUE(*got == file.StreamBytes(id)) << "stream differs";
  }
  EXPECT_EQ(h.DiskBytes(), file.bytes) << "reading changed the file";
}

const BuiltCase kBuiltCases[] = {
    {"Mixed", MixedDocument},
    {"ChosenCutoff", ChosenCutoff},
    {"LargeStream", LargeStream},
    {"DifatSectors", DifatSectors},
    {"FifteenDirectorySectors", FifteenDirectorySectors},
    {"NinetySixDirectorySectors", NinetySixDirectorySectors},
};

INSTANTIATE_TEST_SUITE_P(Built, ReadBack,
                         ::testing::Combine(::testing::ValuesIn(kBuiltCases),
                                            ::testing::Values(ReadMode::File, ReadMode::Memory)),
                         CaseAndModeName());

TEST(DirectorySize, SixteenSectorsTakeARegisteredHeapTableAndFifteenDoNot) {
  for (const uint32_t sectors : {15u, 16u}) {
    CfbBuilder b;
    b.SetMinDirectorySectors(sectors);
    b.AddStream("A", PatternBytes(10, 1));
    DocHarness h(b.Build(), ReadMode::File);
    ASSERT_EQ(h.Open(), 1);
    EXPECT_EQ(h.doc().DirCount, 4 * sectors + 1);
    const bool onHeap = h.area().allocations.Contains(h.doc().directory);
    EXPECT_EQ(onHeap, sectors == 16);
    CloseDocFile(h.doc());
    EXPECT_EQ(h.area().allocations.Count(), 0u);
    EXPECT_EQ(HasDirectoryTable(h.doc()), sectors == 15);
  }
}

TEST(DirectorySize, NinetySixSectorsOpenAndNinetySevenAreRejected) {
  for (const uint32_t sectors : {96u, 97u}) {
    CfbBuilder b;
    b.SetMinDirectorySectors(sectors);
    b.AddStream("A", PatternBytes(10, 1));
    DocHarness h(b.Build(), ReadMode::Memory);
    EXPECT_EQ(h.Open(), sectors == 96 ? 1 : 0);
    EXPECT_EQ(HasDirectoryTable(h.doc()), sectors == 96);
    if (sectors == 96) {
      EXPECT_EQ(h.doc().DirCount, 385u);
    }
  }
}

// The name search walks a storage's sibling tree and gives up after a number of visits that
// grows with the directory; then it takes the first entry of that name anywhere. Each file
// below has a storage "Decoy", made first, holding "Target" and "Inner": a search of the root
// that gave up too early shows as the decoy's "Target", and "Inner" is found only by the scan.
struct SiblingCase {
  std::string name;
  uint32_t rootStreams;  // streams in the root, "S0" .. "S<n-2>" and "Target" last
  TreeShape shape;
  bool loop;             // the root's last child links back to its first as right sibling
};
void PrintTo(const SiblingCase& c, std::ostream* os) { *os << c.name; }

class SiblingSearch : public ::testing::TestWithParam<SiblingCase> {};

TEST_P(SiblingSearch, EndsAndFindsWhatTheTreeHolds) {
  const SiblingCase& c = GetParam();
  CfbBuilder b;
  b.SetTreeShape(c.shape);
  const uint32_t decoyTarget = b.AddStream("Decoy/Target", PatternBytes(10, 1));
  const uint32_t inner = b.AddStream("Decoy/Inner", PatternBytes(10, 2));
  for (uint32_t i = 0; i + 1 < c.rootStreams; ++i) b.AddStream("S" + std::to_string(i), PatternBytes(10, 3));
  const uint32_t target = b.AddStream("Target", PatternBytes(10, 4));
  CfbFile file = b.BuildFile();
  if (c.loop) {
    const uint32_t first = file.EntryU32(0, cfbc::kChild);
    uint32_t last = first;
    for (uint32_t steps = 0; file.EntryU32(last, cfbc::kRight) != cfbc::kNoStream && steps < 1000; ++steps) {
      last = file.EntryU32(last, cfbc::kRight);
    }
    file.SetEntryU32(last, cfbc::kRight, first);
  }
  DocHarness h(file.bytes, ReadMode::Memory);
  ASSERT_EQ(h.Open(), 1);
  const auto entries = static_cast<int32_t>(h.doc().DirCount);
  // The root's own "Target", through the tree however it is shaped, looping or not.
  EXPECT_EQ(FindEntry(h.doc(), 0, u"Target"), static_cast<int32_t>(target));
  EXPECT_NE(FindEntry(h.doc(), 0, u"Target"), static_cast<int32_t>(decoyTarget));
  // Names the root does not hold: the walk of its tree ends (of a looping tree too), with
  // work linear in the directory's size, and the scan answers.
  EXPECT_EQ(FindEntry(h.doc(), 0, u"Inner"), static_cast<int32_t>(inner));
  EXPECT_LE(h.doc().visitCounter, 4 * entries);
  EXPECT_EQ(FindEntry(h.doc(), 0, u"Absent"), -1);
  EXPECT_LE(h.doc().visitCounter, 4 * entries);
}

const SiblingCase kSiblingCases[] = {
    {"OneSectorBalanced", 2, TreeShape::Balanced, false},
    {"OneSectorRightChain", 2, TreeShape::RightChain, false},
    {"FullDirectoryRightChain", 380, TreeShape::RightChain, false},
    {"FullDirectoryBalanced", 380, TreeShape::Balanced, false},
    {"OneSectorLoop", 2, TreeShape::RightChain, true},
    {"FullDirectoryLoop", 380, TreeShape::RightChain, true},
};
INSTANTIATE_TEST_SUITE_P(Directory, SiblingSearch, ::testing::ValuesIn(kSiblingCases),
                         [](const ::testing::TestParamInfo<SiblingCase>& info) { return info.param.name; });

}  // namespace
}  // namespace qv::test
