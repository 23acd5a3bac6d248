// Stream and sector writes: after each write the file on disk equals the built file with
// exactly the intended bytes changed (so nothing outside them moved and the length holds).
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

// Opens the file as the repair finds it: memory mode for the scan, then left before writing.
void OpenForRepair(DocHarness& h, ReadMode mode) {
  ASSERT_EQ(h.Open(), 1);
  if (mode == ReadMode::Memory) LeaveMemoryMode(h.doc());
}

struct ZeroCase {
  std::string name;
  uint32_t size;
  uint32_t cutoff;
  bool small;
};
void PrintTo(const ZeroCase& c, std::ostream* os) { *os << c.name; }

class ZeroStreamTest : public ::testing::TestWithParam<std::tuple<ZeroCase, ReadMode>> {};

TEST_P(ZeroStreamTest, ZeroesTheStreamAndNothingElse) {
  const auto& [c, mode] = GetParam();
  CfbBuilder b;
  b.SetMiniCutoff(c.cutoff);
  b.AddStream("Before", PatternBytes(700, 1));
  const uint32_t id = b.AddStream("Target", PatternBytes(c.size, 2));
  b.AddStream("After", PatternBytes(900, 3));
  b.AddStream("Neighbour", PatternBytes(40, 4));
  CfbFile file = b.BuildFile();
  ASSERT_EQ(file.entries[id].mini, c.small);
  DocHarness h(file.bytes, mode);
  OpenForRepair(h, mode);
  ASSERT_EQ(OpenStream(h.doc(), id), kStreamOpened);
  EXPECT_TRUE(ZeroStream(h.doc(), static_cast<int32_t>(c.size)));
  CloseStream(h.doc());
  file.Fill(file.StreamRanges(id), 0);
  EXPECT_EQ(FirstDifference(h.DiskBytes(), file.bytes), std::nullopt);
  EXPECT_EQ(h.ReadWhole(id), std::vector<uint8_t>(c.size, 0));
}

const ZeroCase kZeroCases[] = {
    {"Regular5000", 5000, 4096, false},  // 19 pieces of 256 and one of 136; bytes 5,000-5,119 kept
    {"Regular512", 512, 512, false},     // two pieces of 256
    {"Small1000", 1000, 4096, true},
    {"Small512", 512, 4096, true},
    {"Small1", 1, 4096, true},
};

INSTANTIATE_TEST_SUITE_P(Writes, ZeroStreamTest,
                         ::testing::Combine(::testing::ValuesIn(kZeroCases),
                                            ::testing::Values(ReadMode::File, ReadMode::Memory)),
                         CaseAndModeName());

struct WriteCase {
  std::string name;
  bool small;
  int32_t position;
  int32_t length;
  int32_t written;  // what WriteStream answers: the length cut at the size
};
void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

class WriteStreamTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteStreamTest, WritesInPlaceCutAtTheSize) {
  const WriteCase& c = GetParam();
  CfbBuilder b;
  const uint32_t regular = b.AddStream("Regular", PatternBytes(5000, 1));
  const uint32_t small = b.AddStream("Small", PatternBytes(1000, 2));
  CfbFile file = b.BuildFile();
  const uint32_t id = c.small ? small : regular;
  const std::vector<uint8_t> data = PatternBytes(static_cast<size_t>(c.length), 9);
  DocHarness h(file.bytes, ReadMode::File);
  ASSERT_EQ(h.Open(), 1);
  ASSERT_EQ(OpenStream(h.doc(), id), kStreamOpened);
  ASSERT_EQ(SeekStream(h.doc(), c.position, 0), 1);
  EXPECT_EQ(WriteStream(h.doc(), data.data(), c.length), c.written);
  EXPECT_EQ(TellStream(h.doc()), c.position + c.written);
  file.PutStreamBytes(id, c.position, std::vector<uint8_t>(data.begin(), data.begin() + c.written));
  EXPECT_EQ(FirstDifference(h.DiskBytes(), file.bytes), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Writes, WriteStreamTest,
                         ::testing::Values(WriteCase{"InsideOneSector", false, 10, 20, 20},
                                           WriteCase{"AcrossSectors", false, 300, 700, 700},
                                           WriteCase{"WholeSectorsThenPart", false, 512, 1500, 1500},
                                           WriteCase{"CutAtTheSize", false, 4995, 10, 5},
                                           WriteCase{"SmallAcrossMiniSectors", true, 60, 200, 200},
                                           WriteCase{"SmallCutAtTheSize", true, 990, 64, 10}),
                         [](const auto& info) { return info.param.name; });

TEST(TypedWrites, LowByteFirstAndOnlyInsideTheStream) {
  CfbBuilder b;
  const uint32_t id = b.AddStream("S", PatternBytes(5000, 1));
  CfbFile file = b.BuildFile();
  DocHarness h(file.bytes, ReadMode::File);
  ASSERT_EQ(h.Open(), 1);
  ASSERT_EQ(OpenStream(h.doc(), id), kStreamOpened);
  EXPECT_EQ(WriteU16At(h.doc(), 4999, 0xBBAA), 1) << "only the last byte is inside";
  EXPECT_EQ(WriteU16At(h.doc(), -2, 0x1111), 0);
  EXPECT_EQ(WriteU16At(h.doc(), 0x15E, 0x3412), 2);
  EXPECT_EQ(WriteU8(h.doc(), 0x56), 1);
  EXPECT_EQ(WriteU16(h.doc(), 0x8877), 2);
  EXPECT_EQ(TellStream(h.doc()), 0x15E + 5);
  EXPECT_EQ(WriteStream(h.doc(), nullptr, 4), 0);
  file.PutStreamBytes(id, 4999, {0xAA});
  file.PutStreamBytes(id, 0x15E, {0x12, 0x34, 0x56, 0x77, 0x88});
  EXPECT_EQ(FirstDifference(h.DiskBytes(), file.bytes), std::nullopt);
}

TEST(SectorWrites, RefusalsNeverExtendTheFile) {
  CfbBuilder b;
  const uint32_t id = b.AddStream("S", PatternBytes(5000, 1));
  CfbFile file = b.BuildFile();
  const uint32_t last = static_cast<uint32_t>(file.bytes.size() / 512 - 2);
  // Cut the file inside the stream's last sector: writes to that sector are refused.
  file.Truncate(file.bytes.size() - 100);
  DocHarness h(file.bytes, ReadMode::File);
  ASSERT_EQ(h.Open(), 1);
  uint8_t sector[512] = {};
  EXPECT_EQ(WriteSector(h.doc(), last, sector), 0u);
  EXPECT_EQ(WriteSector(h.doc(), last + 1, sector), 0u);
  EXPECT_EQ(WriteSector(h.doc(), 0xFFFFFFFE, sector), 0u) << "ids below -1 are refused";
  EXPECT_EQ(WriteSector(h.doc(), 0x7FFFFFFF, sector), 0u) << "offsets past 2 GiB are refused";
  EXPECT_EQ(PatchSector(h.doc(), sector, 0, 500, 13), 0u) << "past the sector's end";
  ASSERT_EQ(OpenStream(h.doc(), id), kStreamOpened);
  EXPECT_FALSE(ZeroStream(h.doc(), 5000));
  // The sectors before the cut were zeroed, the cut one not.
  const auto ranges = file.StreamRanges(id);
  file.Fill({ranges.begin(), ranges.end() - 1}, 0);
  EXPECT_EQ(FirstDifference(h.DiskBytes(), file.bytes), std::nullopt);
}

TEST(MemoryMode, WritesKeepAHeldImageInStep) {
  CfbBuilder b;
  const uint32_t id = b.AddStream("S", PatternBytes(5000, 1));
  CfbFile file = b.BuildFile();
  DocHarness h(file.bytes, ReadMode::Memory);
  ASSERT_EQ(h.Open(), 1);
  ASSERT_EQ(h.doc().memoryMode, 1u);
  ASSERT_EQ(OpenStream(h.doc(), id), kStreamOpened);
  // Each 256-byte piece re-reads its sector: from a stale image the second piece would
  // put back the first piece's bytes.
  EXPECT_TRUE(ZeroStream(h.doc(), 5000));
  file.Fill(file.StreamRanges(id), 0);
  EXPECT_EQ(FirstDifference(h.DiskBytes(), file.bytes), std::nullopt);
  EXPECT_EQ(h.ReadWhole(id), std::vector<uint8_t>(5000, 0));
}

}  // namespace
}  // namespace qv::test
