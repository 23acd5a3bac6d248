// The candidate search over a stream's bytes: which candidate's text is judged, with what
// length; checked on built module streams and against a plain one-candidate-at-a-time search.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/common/capacities.h"
#include "engine/storage/vba_decompress.h"
#include "engine/storage/vba_source_search.h"
#include "tests/support/ovba/module_stream.h"
#include "writers/ovba/compressor.h"

namespace qv {
namespace {

using test::ovba::BuildModuleStream;
using writers::ovba::ChunkBuilder;
using writers::ovba::Compress;
using test::ovba::FakePerformanceCache;
using writers::ovba::ModuleSource;
using Bytes = std::vector<uint8_t>;

struct Found {
  uint32_t length = 0;
  Bytes text;  // the whole text buffer
  std::string Text() const { return std::string(text.begin(), text.begin() + length); }
};

Found Search(const Bytes& stream) {
  Found f;
  f.text.assign(cap::kSourceTextBytes, 0xEE);
  f.length = FindModuleSource(ByteReader(stream.data(), stream.size()), static_cast<uint32_t>(stream.size()),
                              f.text);
  return f;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Packed(std::string_view text) { return Compress(text).bytes; }

// A container whose second chunk header claims more bytes than follow: the first chunk's
// text comes out, then the decompression fails.
Bytes DamagedAfterFirstChunk(std::string_view firstChunkText) {
  ChunkBuilder chunk;
  chunk.Literals(firstChunkText);
  return Concat({{0x01}, chunk.Build(), {0xFF, 0xBF, 'x', 'y'}});
}

TEST(SourceSearchTest, SourceAfterThePerformanceCacheIsFoundWithItsExactLength) {
  const std::string source = ModuleSource("Module1", "Sub AutoOpen()\r\n  MsgBox \"hi\"\r\nEnd Sub\r\n");
  const auto stream = BuildModuleStream(source);
  ASSERT_GT(stream.sourceOffset, 0u);
  const Found f = Search(stream.bytes);
  EXPECT_EQ(f.Text(), source);
  EXPECT_EQ(f.text[f.length], 0) << "the buffer after the text is zero";
}

TEST(SourceSearchTest, SourceLongerThanTheTextBufferIsCutWithoutError) {
  std::string body;
  while (body.size() < 200000) body += "    x = x + 1 ' line " + std::to_string(body.size()) + "\r\n";
  const std::string source = ModuleSource("Big", body);
  const Found f = Search(BuildModuleStream(source).bytes);
  ASSERT_EQ(f.length, cap::kSourceTextBytes);
  EXPECT_EQ(f.Text(), source.substr(0, cap::kSourceTextBytes));
}

TEST(SourceSearchTest, DamagedSourceIsJudgedWithTheStreamSizeAsLength) {
  const std::string head = ModuleSource("Module1", "Sub Document_Open()\r\n");
  const Bytes container = DamagedAfterFirstChunk(head);
  // The stream's size, capped at the text buffer, is the length; after the partial text the
  // buffer holds zeros, never bytes of an earlier false candidate.
  const struct {
    const char* what;
    Bytes stream;
    uint32_t length;
  } cases[] = {
      {"small stream", Concat({FakePerformanceCache(), container}),
       static_cast<uint32_t>(FakePerformanceCache().size() + container.size())},
      {"stream above the cap", Concat({FakePerformanceCache(), Bytes(200000, 0x00), container}),
       cap::kSourceTextBytes},
  };
  for (const auto& c : cases) {
    const Found f = Search(c.stream);
    ASSERT_EQ(f.length, c.length) << c.what;
    EXPECT_EQ(std::string(f.text.begin(), f.text.begin() + head.size()), head) << c.what;
    EXPECT_TRUE(std::all_of(f.text.begin() + head.size(), f.text.begin() + f.length,
                            [](uint8_t b) { return b == 0; }))
        << c.what;
  }
}

TEST(SourceSearchTest, WithoutModuleSourceTheLastCandidateDecides) {
  const Bytes decoy = Packed("Private Sub NotSource()\r\n");
  const Bytes failing = {0x01, 0xFF, 0xBF, 0x00};  // chunk beyond the end of the stream
  const struct {
    const char* what;
    Bytes stream;
    std::string text;  // expected; empty means length 0
  } cases[] = {
      {"last candidate decodes cleanly", Concat({failing, decoy}), "Private Sub NotSource()\r\n"},
      {"last candidate fails", Concat({decoy, failing}), ""},
      {"no candidate at all", Bytes{0x01, 0x00, 0x30, 'A', 'B', 'C'}, ""},
      {"three bytes", Bytes{0x01, 0x00, 0xB0}, ""},
      // A candidate needs three bytes after its 0x01: at four bytes from the end it counts
      // (header 0xB000, one flag byte, no text), at three it does not. (The zero header ends
      // the decoy's container before these bytes.)
      {"candidate four bytes from the end", Concat({decoy, {0x00, 0x00, 0x01, 0x00, 0xB0, 0x00}}), ""},
      {"0x01 three bytes from the end", Concat({decoy, {0x00, 0x00, 0x01, 0x00, 0xB0}}),
       "Private Sub NotSource()\r\n"},
  };
  for (const auto& c : cases) {
    const Found f = Search(c.stream);
    EXPECT_EQ(f.Text(), c.text) << c.what;
  }
}

TEST(SourceSearchTest, OverlappingCandidatesAreAllTried) {
  // The first 0x01 starts a candidate whose text is not source; the source container's own
  // 0x01 lies inside that candidate's chunk.
  const Bytes source = Packed(ModuleSource("M", "Sub X()\r\n"));
  const Bytes stream = Concat({{0x01, 0x01, 0xB0}, source});  // header 0xB001 spans the source's 0x01
  const Found f = Search(stream);
  EXPECT_EQ(f.Text(), ModuleSource("M", "Sub X()\r\n"));
}

// ---- against a plain search ------------------------------------------------------------

// Tries every candidate in full, the text buffer cleared before each, as the module pass
// is described; the search under test must give the same length and text.
uint32_t PlainSearch(const Bytes& stream, Bytes& text) {
  bool lastFailed = false;
  uint32_t length = 0;
  for (size_t p = 0; p + 3 < stream.size(); ++p) {
    if (stream[p] != 0x01 || (stream[p + 2] & 0xF0) != 0xB0) continue;
    std::fill(text.begin(), text.end(), 0);
    const DecompressResult r = DecompressContainer(ByteReader(stream.data() + p + 1, stream.size() - p - 1), text);
    lastFailed = !r.ok();
    if (r.ok()) length = r.produced;
    if (std::memcmp(text.data(), "Attribute", 9) == 0) {
      if (lastFailed) length = static_cast<uint32_t>(std::min(stream.size(), text.size()));
      return length;
    }
  }
  return lastFailed ? 0 : length;
}

// Streams made of pieces that matter to the search, in random order.
Bytes RandomStream(std::mt19937& rng) {
  const std::string source = ModuleSource("R", "Sub R()\r\nEnd Sub\r\n");
  ChunkBuilder copyFirst;
  copyFirst.RawToken(0x0000, 3);
  ChunkBuilder attributeOnly;
  attributeOnly.Literals("Attribute");
  const Bytes pieces[] = {
      Packed(source),
      Packed("Option Explicit\r\n"),
      DamagedAfterFirstChunk(source),
      DamagedAfterFirstChunk("Rem damaged\r\n"),
      Concat({{0x01}, copyFirst.Build()}),
      Concat({{0x01}, attributeOnly.Build()}),  // nine bytes of text, exactly the tag
      {0x01, 0xFF, 0xBF},
      {0x01, 0x00, 0xB0},
      {0x01, 0x02, 0xB0, 0x00},
      {0x01},
      {0xB0},
      {0x00, 0x00, 0x00, 0x00},
      {'A', 't', 't', 'r'},
  };
  Bytes stream;
  const size_t count = rng() % 12;
  for (size_t i = 0; i < count; ++i) {
    const Bytes& piece = pieces[rng() % std::size(pieces)];
    stream.insert(stream.end(), piece.begin(), piece.end());
  }
  if (!stream.empty() && rng() % 4 == 0) stream[rng() % stream.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
  return stream;
}

TEST(SourceSearchTest, AgreesWithTheCandidateByCandidateSearch) {
  std::mt19937 rng(20240611);
  Bytes expectedText(cap::kSourceTextBytes);
  for (int round = 0; round < 2000; ++round) {
    const Bytes stream = RandomStream(rng);
    const uint32_t expected = PlainSearch(stream, expectedText);
    const Found f = Search(stream);
    ASSERT_EQ(f.length, expected) << "round " << round;
    ASSERT_TRUE(std::equal(f.text.begin(), f.text.begin() + f.length, expectedText.begin())) << "round " << round;
  }
}

}  // namespace
}  // namespace qv
