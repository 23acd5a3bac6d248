// Inflating a project record with caps on size and ratio, and deflating a cleaned project
// back into the room its record has.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "engine/common/capacities.h"
#include "engine/ppt/project_inflate.h"

namespace qv::ppt {
namespace {

std::vector<uint8_t> Deflated(const std::vector<uint8_t>& bytes) {
  uLongf length = compressBound(static_cast<uLong>(bytes.size()));
  std::vector<uint8_t> out(length);
  EXPECT_EQ(compress2(out.data(), &length, bytes.data(), static_cast<uLong>(bytes.size()), 6), Z_OK);
  out.resize(length);
  return out;
}

std::vector<uint8_t> Noise(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> out(size);
  for (auto& b : out) b = static_cast<uint8_t>(random());
  return out;
}

ByteReader View(const std::vector<uint8_t>& bytes) { return ByteReader(bytes.data(), bytes.size()); }

TEST(ProjectInflate, GivesBackTheDeclaredBytes) {
  std::vector<uint8_t> text(5000);
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<uint8_t>("Attribute VB_Name\r\n"[i % 19]);
  const auto z = Deflated(text);
  const auto out = InflateProject(View(z), static_cast<uint32_t>(text.size()));
  ASSERT_TRUE(out.has_value());
  EXPECT_TRUE(out->complete);
  EXPECT_EQ(out->bytes, text);
}

struct SizeCase {
  const char* name;
  int64_t declaredDelta;  // declared size minus the real size
  bool complete;
  size_t expectedLength;  // of 4000 real bytes
};

TEST(ProjectInflate, ADeclaredSizeThatDisagreesIsNeverExceededAndNotComplete) {
  const auto text = Noise(4000, 1);
  const auto z = Deflated(text);
  const SizeCase cases[] = {{"exact", 0, true, 4000}, {"declared larger", 100, false, 4000},
                            {"declared smaller", -100, false, 3900}};
  for (const auto& c : cases) {
    const auto out = InflateProject(View(z), static_cast<uint32_t>(4000 + c.declaredDelta));
    ASSERT_TRUE(out.has_value()) << c.name;
    EXPECT_EQ(out->complete, c.complete) << c.name;
    ASSERT_EQ(out->bytes.size(), c.expectedLength) << c.name;
    EXPECT_TRUE(std::equal(out->bytes.begin(), out->bytes.end(), text.begin())) << c.name;
  }
}

TEST(ProjectInflate, RefusesBombsAndOversizedClaims) {
  // 16 MiB of zeros deflate to about 16 KiB: a ratio of about 1,000.
  const std::vector<uint8_t> zeros(16u << 20, 0);
  const auto bomb = Deflated(zeros);
  ASSERT_GT(zeros.size() / bomb.size(), cap::kMaxInflateRatio);
  EXPECT_FALSE(InflateProject(View(bomb), static_cast<uint32_t>(zeros.size())).has_value());
  // Declaring a small size does not help: the output stops there.
  const auto capped = InflateProject(View(bomb), 4096);
  ASSERT_TRUE(capped.has_value());
  EXPECT_EQ(capped->bytes.size(), 4096u);
  EXPECT_FALSE(capped->complete);
  // Over the size cap whatever the ratio.
  const auto noise = Noise(1u << 20, 2);
  EXPECT_FALSE(InflateProject(View(noise), cap::kMaxEmbeddedProjectBytes + 1).has_value());
  // Not zlib, truncated zlib, nothing at all.
  EXPECT_FALSE(InflateProject(View(noise), 1000).has_value());
  const auto z = Deflated(Noise(4000, 3));
  const std::vector<uint8_t> half(z.begin(), z.begin() + static_cast<std::ptrdiff_t>(z.size() / 2));
  const auto partial = InflateProject(View(half), 4000);
  ASSERT_TRUE(partial.has_value());
  EXPECT_FALSE(partial->complete);
  EXPECT_LT(partial->bytes.size(), 4000u);
  EXPECT_FALSE(InflateProject(ByteReader(), 1000).has_value());
}

TEST(ProjectInflate, DeflateIntoRoomFitsOrRefuses) {
  const auto noise = Noise(8192, 4);
  // Noise does not shrink: a record of half its size has no room for it.
  EXPECT_FALSE(DeflateIntoRoom(noise, 4096).has_value());

  std::vector<uint8_t> cleaned = noise;
  std::fill(cleaned.begin() + 512, cleaned.end(), 0);
  const auto data = DeflateIntoRoom(cleaned, 4096);
  ASSERT_TRUE(data.has_value());
  ASSERT_EQ(data->size(), 4096u);
  const auto back = InflateProject(View(*data), static_cast<uint32_t>(cleaned.size()));
  ASSERT_TRUE(back.has_value());
  EXPECT_TRUE(back->complete) << "zero fill after the zlib stream is ignored";
  EXPECT_EQ(back->bytes, cleaned);
}

}  // namespace
}  // namespace qv::ppt
