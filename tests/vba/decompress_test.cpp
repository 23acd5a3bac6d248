// Decompression of VBA compressed containers: round trips through the test compressor,
// hand-built chunks for the copy-token rule, and every error path.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/common/capacities.h"
#include "engine/storage/vba_decompress.h"
#include "writers/ovba/compressor.h"

namespace qv {
namespace {

using writers::ovba::ChunkBuilder;
using writers::ovba::ChunkMode;
using writers::ovba::Compress;
using Bytes = std::vector<uint8_t>;

// A container's bytes after its signature byte, as the module pass hands them over.
ByteReader AfterSignature(const Bytes& container) {
  return ByteReader(container.data() + 1, container.size() - 1);
}

Bytes Container(std::initializer_list<Bytes> chunks) {
  Bytes out{0x01};
  for (const Bytes& c : chunks) out.insert(out.end(), c.begin(), c.end());
  return out;
}

struct Decoded {
  DecompressResult result;
  Bytes text;  // the whole output buffer
};

Decoded Decode(const Bytes& container, size_t bufferBytes = cap::kSourceTextBytes) {
  Decoded d;
  d.text.assign(bufferBytes, 0xEE);  // not zero: shows which bytes were written
  d.result = DecompressContainer(AfterSignature(container), d.text);
  return d;
}

Bytes Head(const Bytes& text, size_t n) { return Bytes(text.begin(), text.begin() + static_cast<ptrdiff_t>(n)); }

// Texts of the kinds a module holds, and kinds it does not.
Bytes SourceLikeText(size_t size, uint32_t seed) {
  static const char* const kLines[] = {
      "Attribute VB_Name = \"Module1\"\r\n", "Sub AutoOpen()\r\n", "    Dim i As Integer\r\n",
      "    For i = 1 To 10: Debug.Print i: Next\r\n", "End Sub\r\n", "' comment line\r\n"};
  std::mt19937 rng(seed);
  Bytes out;
  while (out.size() < size) {
    const std::string line = kLines[rng() % 6];
    out.insert(out.end(), line.begin(), line.end());
  }
  out.resize(size);
  return out;
}

Bytes RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out(size);
  for (auto& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

// ---- round trips ----------------------------------------------------------------------

struct RoundTripCase {
  size_t size;
  ChunkMode mode;
  bool random;
};

class RoundTripTest : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTripTest, DecodesWhatTheCompressorWrote) {
  const RoundTripCase c = GetParam();
  const Bytes text = c.random ? RandomBytes(c.size, static_cast<uint32_t>(c.size))
                              : SourceLikeText(c.size, static_cast<uint32_t>(c.size));
  const auto container = Compress(text, c.mode);
  if (c.mode == ChunkMode::Raw && c.size > 0) {
    EXPECT_EQ((container.bytes[2] & 0xF0), 0x30) << "first chunk not stored raw";
  }

  // What comes out: the text, a raw final chunk's padding, all cut at the buffer's end.
  Bytes expected = text;
  expected.resize(text.size() + container.padding, 0);
  if (expected.size() > cap::kSourceTextBytes) expected.resize(cap::kSourceTextBytes);

  const Decoded d = Decode(container.bytes);
  ASSERT_TRUE(d.result.ok());
  ASSERT_EQ(d.result.produced, expected.size());
  EXPECT_TRUE(Head(d.text, expected.size()) == expected);
  if (expected.size() < d.text.size()) {
    EXPECT_EQ(d.text[expected.size()], 0xEE) << "wrote past the text";
  }
}

std::vector<RoundTripCase> RoundTripCases() {
  std::vector<RoundTripCase> cases;
  for (size_t size : {0, 1, 2, 3, 9, 100, 4095, 4096, 4097, 8192, 12289, 65536, 163839, 163840,
                      163841, 200000}) {
    cases.push_back({size, ChunkMode::Auto, false});
  }
  for (size_t size : {1, 4000, 4096, 20000}) {
    cases.push_back({size, ChunkMode::Auto, true});  // incompressible: raw chunks, padding
    cases.push_back({size, ChunkMode::LiteralsOnly, false});
    cases.push_back({size, ChunkMode::Raw, false});
  }
  return cases;
}

std::string RoundTripName(const ::testing::TestParamInfo<RoundTripCase>& info) {
  static const char* const kModes[] = {"auto", "literals", "raw"};
  return std::string(kModes[static_cast<int>(info.param.mode)]) +
         (info.param.random ? "_random_" : "_source_") + std::to_string(info.param.size);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RoundTripTest, ::testing::ValuesIn(RoundTripCases()), RoundTripName);

// ---- the copy-token split ----------------------------------------------------------------

// Bytes produced before a token -> how many low bits hold the length (offset above them).
struct SplitCase {
  size_t produced;
  unsigned lengthBits;
};

class CopyTokenSplitTest : public ::testing::TestWithParam<SplitCase> {};

Bytes DistinctLiterals(size_t n) {
  Bytes out(n);
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(i * 7 + 3);  // no short period
  return out;
}

// Builds one chunk: `produced` literals, then the stored token.
Bytes LiteralsThenToken(size_t produced, uint16_t token) {
  ChunkBuilder chunk;
  for (uint8_t b : DistinctLiterals(produced)) chunk.Literal(b);
  chunk.RawToken(token, 0);
  return Container({chunk.Build()});
}

TEST_P(CopyTokenSplitTest, OffsetAndLengthFollowTheBytesProduced) {
  const SplitCase c = GetParam();
  // The farthest offset (back to the chunk's first byte) and a length that needs the low
  // bits beyond the first three, so a split one bit off decodes to something else.
  const size_t offset = c.produced;
  const size_t length = 3 + ((1u << c.lengthBits) - 1) / 2;
  const uint16_t token = static_cast<uint16_t>(((offset - 1) << c.lengthBits) | (length - 3));

  Bytes expected = DistinctLiterals(c.produced);
  for (size_t i = 0; i < length; ++i) expected.push_back(expected[expected.size() - offset]);

  const Decoded d = Decode(LiteralsThenToken(c.produced, token));
  ASSERT_TRUE(d.result.ok());
  ASSERT_EQ(d.result.produced, expected.size());
  EXPECT_TRUE(Head(d.text, expected.size()) == expected);
}

// Cases where one more than the bytes produced still fits the offset bits (not at a power of
// two, where the largest offset equals the bytes produced).
class CopyTokenReachTest : public CopyTokenSplitTest {};

TEST_P(CopyTokenReachTest, OffsetBeforeTheChunkStartIsAnError) {
  const SplitCase c = GetParam();
  // One byte farther back than the chunk has produced.
  const uint16_t token = static_cast<uint16_t>((c.produced << c.lengthBits) | 0);
  const Decoded d = Decode(LiteralsThenToken(c.produced, token));
  EXPECT_EQ(d.result.status, kStatusBadCompressionBuffer);
  // The literals before the fault stay in the buffer.
  EXPECT_EQ(d.result.produced, c.produced);
  EXPECT_TRUE(Head(d.text, c.produced) == DistinctLiterals(c.produced));
}

const SplitCase kSplitCases[] = {{1, 12},    {16, 12},   {17, 11},   {32, 11},   {33, 10},
                                  {64, 10},   {65, 9},    {128, 9},   {129, 8},   {256, 8},
                                  {257, 7},   {512, 7},   {513, 6},   {1024, 6},  {1025, 5},
                                  {2048, 5},  {2049, 4}};
const SplitCase kReachCases[] = {{1, 12},  {17, 11},  {33, 10},   {65, 9},    {129, 8},
                                  {257, 7}, {513, 6},  {1025, 5},  {2049, 4}};

std::string SplitName(const ::testing::TestParamInfo<SplitCase>& info) {
  return "p" + std::to_string(info.param.produced);
}

INSTANTIATE_TEST_SUITE_P(Boundaries, CopyTokenSplitTest, ::testing::ValuesIn(kSplitCases), SplitName);
INSTANTIATE_TEST_SUITE_P(Boundaries, CopyTokenReachTest, ::testing::ValuesIn(kReachCases), SplitName);

// ---- single behaviours ---------------------------------------------------------------------

TEST(DecompressTest, OverlappingCopiesRepeatTheirOwnOutput) {
  ChunkBuilder chunk;
  chunk.Literals("ab").Copy(2, 9).Literal('!').Copy(1, 4);
  const Decoded d = Decode(Container({chunk.Build()}));
  ASSERT_TRUE(d.result.ok());
  const std::string expected = "ababababab" "a!!!!!";
  ASSERT_EQ(d.result.produced, expected.size());
  EXPECT_EQ(std::string(d.text.begin(), d.text.begin() + expected.size()), expected);
}

TEST(DecompressTest, CopyTokenAtTheStartOfAChunkIsAnError) {
  // In the first chunk and in a later one: the offset counts within the chunk only, so
  // the output of earlier chunks cannot be reached.
  ChunkBuilder first;
  first.Literals("Attribute");
  ChunkBuilder leadingCopy;
  leadingCopy.RawToken(0x0000, 3);  // offset 1, length 3
  for (const Bytes& container : {Container({leadingCopy.Build()}),
                                  Container({first.Build(), leadingCopy.Build()})}) {
    const Decoded d = Decode(container);
    EXPECT_EQ(d.result.status, kStatusBadCompressionBuffer);
  }
}

TEST(DecompressTest, ShortChunkIsZeroFilledToAFullChunkBeforeTheNext) {
  ChunkBuilder a, b;
  a.Literals("first");
  b.Literals("second");
  const Decoded d = Decode(Container({a.Build(), b.Build()}));
  ASSERT_TRUE(d.result.ok());
  ASSERT_EQ(d.result.produced, 4096u + 6);
  EXPECT_EQ(std::string(d.text.begin(), d.text.begin() + 5), "first");
  EXPECT_TRUE(std::all_of(d.text.begin() + 5, d.text.begin() + 4096, [](uint8_t x) { return x == 0; }));
  EXPECT_EQ(std::string(d.text.begin() + 4096, d.text.begin() + 4102), "second");
}

TEST(DecompressTest, ChunkMayProduceMoreThanOneChunkOfText) {
  ChunkBuilder chunk;
  chunk.Literal('x').Copy(1, 4098);  // at one byte produced the length has 12 bits
  for (int i = 0; i < 10; ++i) chunk.Copy(16, 18);
  const Decoded d = Decode(Container({chunk.Build()}));
  ASSERT_TRUE(d.result.ok());
  EXPECT_EQ(d.result.produced, 1u + 4098 + 180);
  EXPECT_TRUE(std::all_of(d.text.begin(), d.text.begin() + d.result.produced, [](uint8_t x) { return x == 'x'; }));
}

TEST(DecompressTest, OutputStopsAtTheEndOfTheTextBuffer) {
  // A copy that runs past the end is cut; so are literals and raw chunks. The buffer is a
  // vector of exactly that size, so a write past it shows under AddressSanitizer.
  ChunkBuilder copy;
  copy.Literals("Attrib").Copy(6, 12);
  const auto raw = Compress(SourceLikeText(9000, 1), ChunkMode::Raw);
  const auto source = Compress(SourceLikeText(9000, 1), ChunkMode::Auto);
  for (const Bytes& container : {Container({copy.Build()}), raw.bytes, source.bytes}) {
    const Decoded d = Decode(container, 10);
    ASSERT_TRUE(d.result.ok());
    EXPECT_EQ(d.result.produced, 10u);
  }
}

TEST(DecompressTest, ZeroFillThatWouldReachTheBufferEndStopsTheContainer) {
  ChunkBuilder a, b;
  a.Literals("abc");
  b.Literals("def");
  const Bytes container = Container({a.Build(), b.Build()});
  // The fill after "abc" needs 4,093 bytes: with 4,093 or fewer left the container ends
  // there (successfully); with one byte more the fill is made and "d" follows.
  const struct {
    size_t buffer;
    size_t produced;
  } cases[] = {{4000, 3}, {4096, 3}, {4097, 4097}};
  for (const auto& c : cases) {
    const Decoded d = Decode(container, c.buffer);
    ASSERT_TRUE(d.result.ok()) << c.buffer;
    EXPECT_EQ(d.result.produced, c.produced) << c.buffer;
  }
}

// How a container ends when no error stops it.
TEST(DecompressTest, EndsAtAZeroHeaderOrWhenTooFewBytesRemain) {
  ChunkBuilder a, b;
  a.Literals("Attribute VB");
  b.Literals("never read");
  const Bytes chunkA = a.Build();
  const struct {
    const char* what;
    Bytes container;
  } cases[] = {
      {"zero header, then more chunks", Container({chunkA, {0x00, 0x00}, b.Build()})},
      {"one byte after the chunk", Container({chunkA, {0xB0}})},
      {"chunk ends the input", Container({chunkA})},
  };
  for (const auto& c : cases) {
    const Decoded d = Decode(c.container);
    ASSERT_TRUE(d.result.ok()) << c.what;
    EXPECT_EQ(d.result.produced, 12u) << c.what;  // no zero fill without a next chunk
  }
}

TEST(DecompressTest, MalformedContainersAreErrors) {
  ChunkBuilder first;
  first.Literals("Attribute VB_Name");
  const Bytes good = first.Build();
  Bytes cutToken = ChunkBuilder().Literal('A').RawToken(0, 3).Build();
  cutToken.pop_back();            // the copy token's second byte is missing from the chunk
  cutToken[0] = static_cast<uint8_t>(cutToken[0] - 1);  // and the header says so
  Bytes rawShort = {0x62, 0x30};  // raw chunk, 101 bytes by its header, but a raw chunk ...
  rawShort.resize(2 + 100, 'r');  // ... is read as 4,096 bytes, of which 100 exist

  const struct {
    const char* what;
    Bytes container;
    size_t producedBeforeFault;
  } cases[] = {
      {"one byte only", {0x01, 0xB0}, 0},
      {"first chunk longer than the input", {0x01, 0x10, 0xB0, 0x00, 'A'}, 0},
      {"copy token cut by the chunk end", Container({cutToken}), 1},
      {"second chunk longer than the input", Container({good, {0x10, 0xB0, 0x00}}), 4096},
      {"raw chunk shorter than 4,096 bytes", Container({rawShort}), 100},
  };
  for (const auto& c : cases) {
    const Decoded d = Decode(c.container);
    EXPECT_EQ(d.result.status, kStatusBadCompressionBuffer) << c.what;
    EXPECT_EQ(d.result.produced, c.producedBeforeFault) << c.what;
  }
}

TEST(DecompressTest, LaterChunkHeadersAreNotCheckedForTheirSignature) {
  ChunkBuilder a, b;
  a.Literals("Attribute");
  b.Literals("Sub");
  Bytes second = b.Build();
  second[1] = static_cast<uint8_t>(second[1] & 0x8F);  // signature bits 0b000, still compressed
  const Decoded d = Decode(Container({a.Build(), second}));
  ASSERT_TRUE(d.result.ok());
  EXPECT_EQ(d.result.produced, 4096u + 3);
}

}  // namespace
}  // namespace qv
