// The current stream: opening (errors, small or regular, chain lists), positioning and the
// typed reads, from the file and from the image.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "engine/storage/compound_file.h"
#include "engine/storage/streams.h"
#include "tests/support/doc/doc_harness.h"
#include "tests/support/bytes/test_bytes.h"
#include "writers/cfb/compound_writer.h"

namespace qv::test {
namespace {

using qv::writers::CfbBuilder;
using qv::writers::CfbFile;
using qv::writers::StreamPlacement;

using Kind = StreamPlacement::Kind;

struct Doc {
  CfbFile file;
  uint32_t regular, small, otherSmall, empty, storage;
};

Doc MakeDoc() {
  CfbBuilder b;
  Doc d;
  d.regular = b.AddStream("Regular", PatternBytes(5000, 1));
  d.small = b.AddStream("Small", PatternBytes(1000, 2));
  d.otherSmall = b.AddStream("OtherSmall", PatternBytes(200, 3));
  d.empty = b.AddStream("Empty", {});
  d.storage = b.AddStorage("Storage");
  d.file = b.BuildFile();
  return d;
}

class Positioning : public ::testing::TestWithParam<std::tuple<bool, ReadMode>> {};

TEST_P(Positioning, SeekSkipTellAndTypedReadsFollowTheStreamBytes) {
  const auto [smallStream, mode] = GetParam();
  const Doc d = MakeDoc();
  const uint32_t id = smallStream ? d.small : d.regular;
  const std::vector<uint8_t> bytes = d.file.StreamBytes(id);
  const auto size = static_cast<int32_t>(bytes.size());
  DocHarness h(d.file.bytes, mode);
  ASSERT_EQ(h.Open(), 1);
  DocFile& doc = h.doc();
  ASSERT_EQ(OpenStream(doc, id), kStreamOpened);
  EXPECT_EQ(doc.current.mini, smallStream ? 1 : 0);

  EXPECT_EQ(SeekStream(doc, size, 0), 0) << "the size itself is outside";
  EXPECT_EQ(TellStream(doc), 0);
  EXPECT_EQ(SeekStream(doc, -1, 0), 0);
  EXPECT_EQ(SeekStream(doc, 700, 0), 1);
  EXPECT_EQ(SeekStream(doc, -100, 1), 1);
  EXPECT_EQ(TellStream(doc), 600);
  EXPECT_EQ(SeekStream(doc, 0, 2), 0) << "unknown origin";
  EXPECT_EQ(SkipStream(doc, 50), 1);
  EXPECT_EQ(SkipStream(doc, -150), 1);
  EXPECT_EQ(TellStream(doc), 500);
  EXPECT_EQ(SkipStream(doc, -501), 0);
  EXPECT_EQ(SkipStream(doc, size), 0);
  EXPECT_EQ(TellStream(doc), 500);

  EXPECT_EQ(ReadU8(doc), bytes[500]);
  EXPECT_EQ(ReadU16(doc), bytes[501] | bytes[502] << 8);
  EXPECT_EQ(TellStream(doc), 503);
  const uint32_t at = 61;  // a u32 across a mini sector boundary
  EXPECT_EQ(ReadU32At(doc, at),
            bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24);
  EXPECT_EQ(ReadU16At(doc, 511), bytes[511] | bytes[512] << 8) << "across a sector boundary";
  EXPECT_EQ(ReadU8At(doc, size - 1), bytes[size - 1]);

  // A value that cannot be read answers 0, never the bytes of an earlier read; the field
  // reader's failure sticks, so a value read after it is not mistaken for a good one.
  ASSERT_NE(ReadU32At(doc, 100), 0u);
  EXPECT_EQ(ReadU32At(doc, size), 0u) << "a refused seek reads nothing";
  EXPECT_EQ(ReadU32At(doc, size - 2), 0u) << "a value cut by the end of the stream";
  StreamFields fields(doc);
  EXPECT_EQ(fields.U16At(511), bytes[511] | bytes[512] << 8);
  EXPECT_TRUE(fields.ok());
  EXPECT_EQ(fields.U32At(size - 3), 0u);
  EXPECT_TRUE(fields.failed());
  EXPECT_EQ(fields.U8At(0), 0) << "every read after a failure answers 0";
  EXPECT_TRUE(fields.failed());

  uint8_t buffer[16] = {};
  ASSERT_EQ(SeekStream(doc, size - 4, 0), 1);
  EXPECT_EQ(ReadStream(doc, buffer, 10), 4);
  EXPECT_TRUE(std::equal(buffer, buffer + 4, bytes.end() - 4));
  EXPECT_EQ(TellStream(doc), size);
  EXPECT_EQ(ReadStream(doc, buffer, 10), 0) << "at the size";
  ASSERT_EQ(SeekStream(doc, 0, 0), 1);
  EXPECT_EQ(ReadStream(doc, nullptr, 10), 0);
  EXPECT_EQ(ReadStream(doc, buffer, -1), 0);
  EXPECT_EQ(TellStream(doc), 0);

  // Whole stream in uneven pieces equals the builder's bytes.
  std::vector<uint8_t> pieces;
  for (int32_t step = 1; static_cast<int32_t>(pieces.size()) < size; step = step * 3 + 1) {
    std::vector<uint8_t> piece(step);
    const int32_t got = ReadStream(doc, piece.data(), step);
    ASSERT_GT(got, 0);
    pieces.insert(pieces.end(), piece.begin(), piece.begin() + got);
  }
  EXPECT_TRUE(pieces == bytes);
}

INSTANTIATE_TEST_SUITE_P(Streams, Positioning,
                         ::testing::Combine(::testing::Bool(), ::testing::Values(ReadMode::File, ReadMode::Memory)));

TEST(OpenStream, ErrorsAndWhatTheCursorDescribesAfterThem) {
  Doc d = MakeDoc();
  d.file.SetEntryType(0, 1);  // entry 0 opens whatever its type
  DocHarness h(d.file.bytes, ReadMode::File);
  ASSERT_EQ(h.Open(), 1);
  DocFile& doc = h.doc();
  ASSERT_EQ(OpenStream(doc, d.regular), kStreamOpened);
  EXPECT_EQ(OpenStream(doc, doc.DirCount), kStreamBadId);
  EXPECT_EQ(doc.current.entryId, d.regular);
  EXPECT_EQ(OpenStream(doc, d.storage), kStreamNotStream);
  EXPECT_EQ(doc.current.entryId, d.regular);
  EXPECT_EQ(OpenStream(doc, d.empty), kStreamEmpty);
  EXPECT_EQ(doc.current.entryId, d.empty);
  uint8_t byte = 0;
  EXPECT_EQ(ReadStream(doc, &byte, 1), 0);
  EXPECT_EQ(OpenStream(doc, 0), kStreamOpened);
  EXPECT_EQ(doc.current.mini, 0) << "entry 0 is never small";
}

TEST(OpenStream, CutoffDecidesSmallStreamsAndTheRootIsAlwaysRegular) {
  CfbBuilder b;
  const uint32_t below = b.AddStream("Below", PatternBytes(4095, 1));
  const uint32_t at = b.AddStream("At", PatternBytes(4096, 2));
  const CfbFile file = b.BuildFile();
  DocHarness h(file.bytes, ReadMode::Memory);
  ASSERT_EQ(h.Open(), 1);
  ASSERT_EQ(OpenStream(h.doc(), below), kStreamOpened);
  EXPECT_EQ(h.doc().current.mini, 1);
  EXPECT_EQ(h.doc().current.sectorSize, 64u);
  ASSERT_EQ(OpenStream(h.doc(), at), kStreamOpened);
  EXPECT_EQ(h.doc().current.mini, 0);

  CfbBuilder tiny;
  tiny.AddStream("One", PatternBytes(100, 3));
  const CfbFile small = tiny.BuildFile();
  ASSERT_LT(small.entries[0].size, 4096u);
  DocHarness s(small.bytes, ReadMode::File);
  ASSERT_EQ(s.Open(), 1);
  EXPECT_EQ(s.doc().rootCursor.mini, 0);
  EXPECT_EQ(s.doc().rootCursor.size, small.entries[0].size);
  EXPECT_EQ(s.ReadWhole(1), small.StreamBytes(1));
}

TEST(OpenStream, ASmallStreamStartsAtZeroAfterAnotherWasRead) {
  const Doc d = MakeDoc();
  DocHarness h(d.file.bytes, ReadMode::File);
  ASSERT_EQ(h.Open(), 1);
  ASSERT_EQ(OpenStream(h.doc(), d.small), kStreamOpened);
  ASSERT_EQ(SeekStream(h.doc(), 900, 0), 1);
  uint8_t b[8];
  ASSERT_EQ(ReadStream(h.doc(), b, 8), 8);
  CloseStream(h.doc());
  ASSERT_EQ(OpenStream(h.doc(), d.otherSmall), kStreamOpened);
  EXPECT_EQ(TellStream(h.doc()), 0);
  const std::vector<uint8_t> other = d.file.StreamBytes(d.otherSmall);
  EXPECT_EQ(ReadU32(h.doc()), other[0] | other[1] << 8 | other[2] << 16 | static_cast<uint32_t>(other[3]) << 24);
}

// Chain lists: up to 3,008 sectors in the work area, longer ones on the heap, and streams of
// 10 MiB or more read only through their first 3,008 sectors.
TEST(ChainList, LongStreamsUseARegisteredHeapListReleasedByCloseStream) {
  CfbBuilder b;
  const uint32_t big = b.AddStream("Big", PatternBytes(5000000, 1));
  const uint32_t fits = b.AddStream("Fits", PatternBytes(3007 * 512, 2));
  const CfbFile file = b.BuildFile();
  DocHarness h(file.bytes, ReadMode::File);
  ASSERT_EQ(h.Open(), 1);
  const uint32_t blocks = h.area().allocations.Count();
  ASSERT_EQ(OpenStream(h.doc(), fits), kStreamOpened);
  EXPECT_EQ(h.doc().current.chainCapacity, 3008u);
  EXPECT_EQ(CloseStream(h.doc()), 0);
  ASSERT_EQ(OpenStream(h.doc(), big), kStreamOpened);
  EXPECT_EQ(h.doc().current.chainCapacity, 9766u);
  EXPECT_EQ(h.doc().current.chainLength, 9766u);
  EXPECT_TRUE(h.area().allocations.Contains(h.doc().current.chainList));
  EXPECT_EQ(CloseStream(h.doc()), 1);
  EXPECT_EQ(h.area().allocations.Count(), blocks);
  uint8_t byte = 0;
  EXPECT_EQ(ReadStream(h.doc(), &byte, 1), 0) << "nothing is read through a released list";
}

TEST(ChainList, StreamsOfTenMebibytesOrMoreEndAtTheFixedList) {
  CfbBuilder b;
  const uint32_t huge = b.AddStream("Huge", PatternBytes(12000000, 1));
  const CfbFile file = b.BuildFile();
  ASSERT_FALSE(file.difatSectors.empty()) << "12 MB needs more than 109 FAT sectors";
  const std::vector<uint8_t> bytes = file.StreamBytes(huge);
  DocHarness h(file.bytes, ReadMode::File);
  ASSERT_EQ(h.Open(), 1);
  ASSERT_EQ(OpenStream(h.doc(), huge), kStreamOpened);
  EXPECT_EQ(h.doc().current.chainCapacity, 3008u);
  const int32_t limit = 3008 * 512;
  std::vector<uint8_t> got(limit);
  ASSERT_EQ(ReadStream(h.doc(), got.data(), limit), limit);
  EXPECT_TRUE(std::equal(got.begin(), got.end(), bytes.begin()));
  EXPECT_EQ(ReadStream(h.doc(), got.data(), 1), 0);
  ASSERT_EQ(SeekStream(h.doc(), limit - 8, 0), 1);
  EXPECT_EQ(ReadStream(h.doc(), got.data(), 16), 0) << "a read that reaches past the list fails";
  EXPECT_EQ(TellStream(h.doc()), limit) << "the position keeps what was read";
}

// Fills the allocation register so that no further block can be registered.
void FillRegister(WorkArea& area) {
  while (true) {
    void* block = std::malloc(1);
    if (!area.allocations.RegisterBlock(block)) {
      std::free(block);
      return;
    }
  }
}

TEST(ChainList, HeapListsAndDirectoriesThatCannotBeRegisteredFailCleanly) {
  CfbBuilder b;
  b.SetMinDirectorySectors(16);
  const uint32_t big = b.AddStream("Big", PatternBytes(2000000, 1));
  const CfbFile file = b.BuildFile();

  DocHarness h(file.bytes, ReadMode::File);
  ASSERT_EQ(h.Open(), 1);
  FillRegister(h.area());
  EXPECT_EQ(OpenStream(h.doc(), big), kStreamEmpty);
  EXPECT_EQ(h.doc().current.chainList, nullptr);
  uint8_t byte = 0;
  EXPECT_EQ(ReadStream(h.doc(), &byte, 1), 0);
  EXPECT_EQ(CloseStream(h.doc()), 0);

  // The same file cannot be opened when its 16-sector directory has no registered block.
  ASSERT_TRUE(h.Load(file.bytes.data(), file.bytes.size(), ReadMode::File));
  FillRegister(h.area());
  EXPECT_EQ(h.Open(), 0);
  EXPECT_FALSE(HasDirectoryTable(h.doc()));
  EXPECT_EQ(h.doc().DirCount, 0u);
}

}  // namespace
}  // namespace qv::test
