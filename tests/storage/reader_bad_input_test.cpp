// Damaged compound files: each opens or fails as it must, and what still opens reads only
// what its chains allow. Every case runs from the file and from an image of exactly the
// file's size, so that a sanitizer build sees any read outside it.
#include <gtest/gtest.h>

#include <functional>
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

// A small document: regular and mini streams, a storage, two mini FAT sectors.
CfbFile BaseFile() {
  CfbBuilder b;
  b.AddStream("Regular", PatternBytes(5000, 1));
  b.AddStream("Store/Small", PatternBytes(300, 2));
  for (int i = 0; i < 4; ++i) b.AddStream("Filler" + std::to_string(i), PatternBytes(4000, 10 + i));
  return b.BuildFile();
}

CfbFile DifatFile() {
  CfbBuilder b;
  b.SetMinFatSectors(120);
  b.AddStream("Low", PatternBytes(1500, 3));
  return b.BuildFile();
}

struct BadCase {
  std::string name;
  CfbFile (*base)();
  std::function<void(CfbFile&)> damage;
  int opens;
  std::function<void(DocHarness&, const CfbFile&)> check;
};
void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

void ExpectReads(DocHarness& h, const CfbFile& f, const std::string& path) {
  const auto got = h.ReadWhole(f.IdOf(path));
  ASSERT_TRUE(got.has_value()) << path;
  EXPECT_TRUE(*got == f.StreamBytes(f.IdOf(path))) << path;
}

const BadCase kCases[] = {
    {"TruncatedHeader", BaseFile, [](CfbFile& f) { f.Truncate(511); }, 0, nullptr},
    {"WrongSignature", BaseFile, [](CfbFile& f) { f.bytes[7] = 0; }, 0, nullptr},
    {"SectorShift12", BaseFile, [](CfbFile& f) { f.SetHeaderU16(cfbc::kSectorShift, 12); }, 0, nullptr},
    {"MiniSectorShift7", BaseFile, [](CfbFile& f) { f.SetHeaderU16(cfbc::kMiniSectorShift, 7); }, 0, nullptr},
    {"ByteOrderAndVersionsIgnored", BaseFile,
     [](CfbFile& f) {
       f.SetHeaderU16(0x18, 0x1234);
       f.SetHeaderU16(0x1A, 0x0009);
       f.SetHeaderU16(0x1C, 0x0000);
     },
     1, [](DocHarness& h, const CfbFile& f) { ExpectReads(h, f, "Regular"); }},
    {"ZeroFatSectors", BaseFile, [](CfbFile& f) { f.SetHeaderU32(cfbc::kFatCount, 0); }, 0, nullptr},
    {"FatSectorOutsideTheFile", BaseFile, [](CfbFile& f) { f.SetHeaderU32(cfbc::kHeaderDifat, 70000); }, 0,
     nullptr},
    {"LoopingDirectoryChain", BaseFile,
     [](CfbFile& f) { f.SetFatEntry(f.directorySectors[0], f.directorySectors[0]); }, 0, nullptr},
    {"DirectorySectorOutsideTheFile", BaseFile, [](CfbFile& f) { f.SetHeaderU32(cfbc::kFirstDir, 100); }, 0,
     nullptr},
    {"NoDirectorySector", BaseFile, [](CfbFile& f) { f.SetHeaderU32(cfbc::kFirstDir, cfbc::kEndOfChain); }, 0,
     nullptr},
    {"DirectoryChainThatCannotBeListed", BaseFile,
     [](CfbFile& f) { f.SetFatEntry(f.directorySectors[0], 0x80000000); }, 0, nullptr},
    {"MiniFatLongerThanItsCount", BaseFile, [](CfbFile& f) { f.SetHeaderU32(cfbc::kMiniFatCount, 1); }, 1,
     [](DocHarness& h, const CfbFile& f) {
       EXPECT_EQ(h.doc().miniFat, nullptr);
       EXPECT_EQ(OpenStream(h.doc(), f.IdOf("Store/Small")), kStreamEmpty);
       ExpectReads(h, f, "Regular");
     }},
    {"MiniFatSectorOutsideTheFile", BaseFile, [](CfbFile& f) { f.SetHeaderU32(cfbc::kFirstMiniFat, 9999); }, 1,
     [](DocHarness& h, const CfbFile& f) {
       EXPECT_EQ(h.doc().miniFat, nullptr);
       ExpectReads(h, f, "Regular");
     }},
    {"RootEntryOfSizeZero", BaseFile, [](CfbFile& f) { f.SetEntryU32(0, cfbc::kSize, 0); }, 1,
     [](DocHarness& h, const CfbFile& f) {
       ASSERT_EQ(OpenStream(h.doc(), f.IdOf("Store/Small")), kStreamOpened);
       uint8_t buffer[16];
       EXPECT_EQ(ReadStream(h.doc(), buffer, sizeof buffer), 0);
       ExpectReads(h, f, "Regular");
     }},
    {"DifatSectorOutsideTheFile", DifatFile, [](CfbFile& f) { f.SetHeaderU32(cfbc::kFirstDifat, 200000); }, 1,
     [](DocHarness& h, const CfbFile& f) {
       EXPECT_EQ(h.doc().difat[109], 0u) << "entries taken from somewhere else";
       ExpectReads(h, f, "Low");
     }},
    {"LoopingStreamChain", BaseFile,
     [](CfbFile& f) {
       const auto& s = f.entries[f.IdOf("Regular")].sectors;
       f.SetFatEntry(s[1], s[0]);
     },
     1,
     [](DocHarness& h, const CfbFile& f) {
       // The chain runs s0 s1 and links back to s0: the chain is damaged and the stream
       // ends with s1, instead of reading s0 s1 s0 s1 ... as if they were more data.
       const auto& s = f.entries[f.IdOf("Regular")].sectors;
       ASSERT_EQ(OpenStream(h.doc(), f.IdOf("Regular")), kStreamOpened);
       EXPECT_EQ(h.doc().current.chainLength, 2u);
       EXPECT_EQ(h.doc().current.size, 1024u);
       CloseStream(h.doc());
       std::vector<uint8_t> expected;
       for (int i = 0; i < 2; ++i) {
         const auto at = f.bytes.begin() + CfbFile::SectorOffset(s[i]);
         expected.insert(expected.end(), at, at + 512);
       }
       const auto got = h.ReadWhole(f.IdOf("Regular"));
       ASSERT_TRUE(got.has_value());
       EXPECT_TRUE(*got == expected);
     }},
    {"StreamChainLoopingOntoItsLastSector", BaseFile,
     [](CfbFile& f) {
       const auto& s = f.entries[f.IdOf("Regular")].sectors;
       f.SetFatEntry(s[2], s[2]);  // a sector that links to itself
     },
     1,
     [](DocHarness& h, const CfbFile& f) {
       ASSERT_EQ(OpenStream(h.doc(), f.IdOf("Regular")), kStreamOpened);
       EXPECT_EQ(h.doc().current.chainLength, 3u);
       EXPECT_EQ(h.doc().current.size, 1536u);
       CloseStream(h.doc());
       const auto got = h.ReadWhole(f.IdOf("Regular"));
       ASSERT_TRUE(got.has_value());
       EXPECT_EQ(got->size(), 1536u);
     }},
    {"StreamChainShorterThanItsSize", BaseFile,
     [](CfbFile& f) { f.SetFatEntry(f.entries[f.IdOf("Regular")].sectors[1], 0); }, 1,
     [](DocHarness& h, const CfbFile& f) {
       // A link to sector 0 ends the chain after two sectors; the rest is not read from
       // sector 0 or anywhere else.
       ASSERT_EQ(OpenStream(h.doc(), f.IdOf("Regular")), kStreamOpened);
       EXPECT_EQ(h.doc().current.chainLength, 2u);
       std::vector<uint8_t> buffer(5000);
       EXPECT_EQ(ReadStream(h.doc(), buffer.data(), 1024), 1024);
       EXPECT_EQ(ReadStream(h.doc(), buffer.data(), 10), 0);
     }},
    {"TruncatedInsideAStream", BaseFile,
     [](CfbFile& f) { f.Truncate(CfbFile::SectorOffset(f.entries[f.IdOf("Regular")].sectors[2]) + 100); }, 1,
     [](DocHarness& h, const CfbFile& f) {
       ASSERT_EQ(OpenStream(h.doc(), f.IdOf("Regular")), kStreamOpened);
       std::vector<uint8_t> buffer(5000);
       EXPECT_EQ(ReadStream(h.doc(), buffer.data(), 5000), 0);
       EXPECT_EQ(TellStream(h.doc()), 1024) << "the sectors before the cut were read";
     }},
    {"StreamSizeAtTheUpperLimit", BaseFile,
     [](CfbFile& f) { f.SetEntryU32(f.IdOf("Regular"), cfbc::kSize, 0xFFFFFFFF); }, 1,
     [](DocHarness& h, const CfbFile& f) {
       ASSERT_EQ(OpenStream(h.doc(), f.IdOf("Regular")), kStreamOpened);
       std::vector<uint8_t> buffer(4096);
       EXPECT_EQ(ReadStream(h.doc(), buffer.data(), 4096), 4096);
       EXPECT_EQ(SeekStream(h.doc(), 10 * 512, 0), 1);
       EXPECT_EQ(ReadStream(h.doc(), buffer.data(), 1), 0) << "only the ten chained sectors exist";
       EXPECT_EQ(SeekStream(h.doc(), 0x7FFFFFFF, 0), 1);
       EXPECT_EQ(SeekStream(h.doc(), 1, 1), 0);
     }},
};

class BadInput : public ::testing::TestWithParam<std::tuple<BadCase, ReadMode>> {};

TEST_P(BadInput, OpensOrFailsAsItMust) {
  const auto& [bad, mode] = GetParam();
  CfbFile file = bad.base();
  bad.damage(file);
  DocHarness h(file.bytes, mode);
  ASSERT_EQ(h.Open(), bad.opens);
  if (bad.opens == 0) {
    EXPECT_FALSE(HasDirectoryTable(h.doc()));
  }
  if (bad.check) bad.check(h, file);
  EXPECT_EQ(h.DiskBytes(), file.bytes);
}

INSTANTIATE_TEST_SUITE_P(Damaged, BadInput,
                         ::testing::Combine(::testing::ValuesIn(kCases),
                                            ::testing::Values(ReadMode::File, ReadMode::Memory)),
                         CaseAndModeName());

// Sibling trees: a storage "S" whose children are linked A -> B -> C by right links.
struct SiblingFile {
  CfbFile file;
  uint32_t s, a, b, c, other, vba;
};

SiblingFile Siblings() {
  CfbBuilder builder;
  builder.SetTreeShape(TreeShape::RightChain);
  SiblingFile out;
  out.s = builder.AddStorage("S");
  out.a = builder.AddStream("S/A", PatternBytes(10, 1));
  out.b = builder.AddStream("S/B", PatternBytes(10, 2));
  out.c = builder.AddStream("S/C", PatternBytes(10, 3));
  out.other = builder.AddStream("Other", PatternBytes(10, 4));
  out.vba = builder.AddStorage("Macros/VBA");
  out.file = builder.BuildFile();
  return out;
}

TEST(FindEntry, LoopingSiblingTreesEndAtTheVisitBudgetAndFallBackToTheDirectory) {
  const std::pair<const char*, void (*)(SiblingFile&)> loops[] = {
      {"right loop", [](SiblingFile& t) { t.file.SetEntryU32(t.c, cfbc::kRight, t.a); }},
      {"left loop", [](SiblingFile& t) { t.file.SetEntryU32(t.b, cfbc::kLeft, t.a); }},
      {"self loop", [](SiblingFile& t) { t.file.SetEntryU32(t.a, cfbc::kLeft, t.a); }},
  };
  for (const auto& [label, damage] : loops) {
    SCOPED_TRACE(label);
    SiblingFile t = Siblings();
    damage(t);
    DocHarness h(t.file.bytes, ReadMode::Memory);
    ASSERT_EQ(h.Open(), 1);
    EXPECT_EQ(FindEntry(h.doc(), t.s, u"Missing"), -1);
    // The walk stops at the budget; every open level of it then adds one more.
    EXPECT_GT(h.doc().visitCounter, h.doc().visitBudget);
    EXPECT_LE(h.doc().visitCounter, 2 * h.doc().visitBudget + 1);
    EXPECT_EQ(FindEntry(h.doc(), t.s, u"c"), static_cast<int32_t>(t.c));
    EXPECT_EQ(FindEntry(h.doc(), t.s, u"Other"), static_cast<int32_t>(t.other)) << "whole-directory fallback";
  }
}

TEST(FindEntry, NamesAreFoundAnywhereWithAsciiCaseFolding) {
  SiblingFile t = Siblings();
  DocHarness h(t.file.bytes, ReadMode::File);
  ASSERT_EQ(h.Open(), 1);
  EXPECT_EQ(FindEntry(h.doc(), 0, u"VBA"), static_cast<int32_t>(t.vba)) << "lives under Macros";
  EXPECT_EQ(FindEntry(h.doc(), 0, u"vba"), static_cast<int32_t>(t.vba));
  EXPECT_EQ(FindEntry(h.doc(), 0, u"VBÄ"), -1) << "only A-Z fold";
  EXPECT_EQ(FindEntry(h.doc(), t.s, u"A"), static_cast<int32_t>(t.a));
  EXPECT_EQ(FindEntry(h.doc(), h.doc().DirCount, u"A"), -1);
  EXPECT_EQ(FindEntry(h.doc(), 0, std::u16string_view(u"Other\0junk", 10)), static_cast<int32_t>(t.other));
}

TEST(FindEntry, StorageWithoutChildrenFallsBackAndChildIdZeroAnswersZero) {
  SiblingFile t = Siblings();
  t.file.SetEntryU32(t.s, cfbc::kChild, cfbc::kNoStream);
  t.file.SetEntryU32(t.vba, cfbc::kChild, 0);
  DocHarness h(t.file.bytes, ReadMode::File);
  ASSERT_EQ(h.Open(), 1);
  EXPECT_EQ(FindEntry(h.doc(), t.s, u"B"), static_cast<int32_t>(t.b));
  EXPECT_EQ(FindEntry(h.doc(), t.vba, u"Anything"), 0);
}

TEST(MiniFat, NineSectorsReachOnlyTheFirst1024MiniSectors) {
  CfbBuilder b;
  // 63 mini sectors each: streams 0-15 lie below mini sector 1,008, stream 16 crosses 1,024.
  std::vector<uint32_t> ids;
  for (int i = 0; i < 18; ++i) ids.push_back(b.AddStream("M" + std::to_string(i), PatternBytes(4000, i)));
  const CfbFile file = b.BuildFile();
  ASSERT_EQ(file.miniFatSectors.size(), 9u);
  for (const ReadMode mode : {ReadMode::File, ReadMode::Memory}) {
    DocHarness h(file.bytes, mode);
    ASSERT_EQ(h.Open(), 1);
    for (int i = 0; i < 18; ++i) {
      SCOPED_TRACE(i);
      const auto got = h.ReadWhole(ids[i]);
      if (i < 16) {
        ASSERT_TRUE(got.has_value());
        EXPECT_TRUE(*got == file.StreamBytes(ids[i]));
      } else {
        EXPECT_FALSE(got.has_value());
        EXPECT_EQ(ChainLength(h.doc(), file.entries[ids[i]].sectors[0], ChainTable::MiniFat), 0u);
      }
    }
  }
}

TEST(Chains, LinkToSectorZeroEndsAChainThatSectorZeroCanStart) {
  CfbBuilder b;
  b.AddStream("R", PatternBytes(5000, 1));
  CfbFile file = b.BuildFile();
  const auto& s = file.entries[file.IdOf("R")].sectors;
  file.SetFatEntry(s[2], 0);
  DocHarness h(file.bytes, ReadMode::File);
  ASSERT_EQ(h.Open(), 1);
  EXPECT_EQ(ChainLength(h.doc(), s[0], ChainTable::Fat), 3u);
  uint32_t list[8] = {};
  EXPECT_EQ(CollectChain(h.doc(), s[0], list, ChainTable::Fat, 8), 3u);
  EXPECT_EQ(list[2], s[2]);
  EXPECT_EQ(CollectChain(h.doc(), s[0], nullptr, ChainTable::Fat, 2), 2u) << "the maximum bounds the count";
  // Sector 0 is the FAT sector here: its own link is FATSECT, a chain of one.
  EXPECT_EQ(ChainLength(h.doc(), 0, ChainTable::Fat), 1u);
  EXPECT_EQ(ChainLength(h.doc(), cfbc::kEndOfChain, ChainTable::Fat), 0u);
  EXPECT_EQ(CollectChain(h.doc(), cfbc::kFreeSect, list, ChainTable::Fat, 8), 0u);
}

TEST(Chains, FatLookUpAboveTheCacheFailsPastTheFatAndAChainLoopEndsAtTheRevisit) {
  CfbBuilder b;
  b.AddStream("R", PatternBytes(5000, 1));
  CfbFile file = b.BuildFile();
  const auto& s = file.entries[file.IdOf("R")].sectors;
  file.SetFatEntry(s[1], s[0]);
  DocHarness h(file.bytes, ReadMode::Memory);
  ASSERT_EQ(h.Open(), 1);
  uint32_t next = 0;
  EXPECT_FALSE(NextFatSector(h.doc(), 8192, next)) << "the file has one FAT sector";
  bool looped = false;
  EXPECT_EQ(ChainLength(h.doc(), s[0], ChainTable::Fat, &looped), 2u);
  EXPECT_TRUE(looped);
  uint32_t list[10] = {};
  looped = false;
  EXPECT_EQ(CollectChain(h.doc(), s[0], list, ChainTable::Fat, 10, &looped), 2u);
  EXPECT_TRUE(looped);
  EXPECT_EQ(list[1], s[1]);
  EXPECT_EQ(list[2], 0u) << "nothing listed past the loop";
  looped = false;
  EXPECT_EQ(ChainLength(h.doc(), s[2], ChainTable::Fat, &looped), 8u) << "a chain that ends";
  EXPECT_FALSE(looped);
}

}  // namespace
}  // namespace qv::test
