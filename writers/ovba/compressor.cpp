#include "writers/ovba/compressor.h"

#include <algorithm>
#include <stdexcept>

namespace qv::writers::ovba {

namespace {

void PutU16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

// Finds earlier matches inside one chunk through hash chains over three-byte prefixes.
struct Match {
  size_t offset = 0;
  size_t length = 0;
};

class ChunkMatcher {
 public:
  ChunkMatcher(std::span<const uint8_t> text, size_t start, size_t end)
      : text_(text), start_(start), end_(end), head_(kBuckets, kNone), previous_(end - start, kNone) {}

  // The longest match for text[at, end); positions before `at` must have been added.
  Match Longest(size_t at) const {
    const size_t produced = at - start_;
    const size_t maxLength = std::min(MaxCopyLength(produced), end_ - at);
    if (maxLength < 3) return {};
    const size_t maxOffset = MaxCopyOffset(produced);
    Match best;
    size_t steps = 0;
    for (size_t candidate = head_[Key(at)]; candidate != kNone && steps < kMaxSteps;
         candidate = previous_[candidate - start_], ++steps) {
      const size_t offset = at - candidate;
      if (offset > maxOffset) break;
      size_t length = 0;
      // Compares against the text itself: an overlapping copy reproduces exactly these bytes.
      while (length < maxLength && text_[candidate + length] == text_[at + length]) ++length;
      if (length > best.length) best = Match{offset, length};
      if (best.length == maxLength) break;
    }
    return best;
  }

  void Add(size_t at) {
    if (end_ - at < 3) return;
    const size_t key = Key(at);
    previous_[at - start_] = head_[key];
    head_[key] = at;
  }

 private:
  static constexpr size_t kBuckets = 1 << 16;
  static constexpr size_t kNone = SIZE_MAX;
  static constexpr size_t kMaxSteps = 256;
  size_t Key(size_t at) const {
    return (text_[at] * 2654435761u ^ text_[at + 1] * 40503u ^ text_[at + 2]) & (kBuckets - 1);
  }
  std::span<const uint8_t> text_;
  size_t start_, end_;
  std::vector<size_t> head_;
  std::vector<size_t> previous_;
};

std::vector<uint8_t> RawChunk(std::span<const uint8_t> text, size_t start, size_t end) {
  std::vector<uint8_t> chunk;
  PutU16(chunk, ChunkHeader(kChunkText, false));
  chunk.insert(chunk.end(), text.begin() + static_cast<ptrdiff_t>(start),
               text.begin() + static_cast<ptrdiff_t>(end));
  chunk.resize(2 + kChunkText, 0);
  return chunk;
}

}  // namespace

unsigned OffsetBits(size_t produced) {
  unsigned bits = 4;
  while (bits < 12 && (size_t{1} << bits) < produced) ++bits;
  return bits;
}

size_t MaxCopyOffset(size_t produced) { return size_t{1} << OffsetBits(produced); }

size_t MaxCopyLength(size_t produced) { return (size_t{0xFFFF} >> OffsetBits(produced)) + 3; }

uint16_t EncodeCopyToken(size_t offset, size_t length, size_t produced) {
  if (offset < 1 || offset > MaxCopyOffset(produced) || length < 3 || length > MaxCopyLength(produced)) {
    throw std::invalid_argument("copy token out of range");
  }
  const unsigned lengthBits = 16 - OffsetBits(produced);
  return static_cast<uint16_t>(((offset - 1) << lengthBits) | (length - 3));
}

uint16_t ChunkHeader(size_t dataBytes, bool compressed) {
  if (dataBytes < 1 || dataBytes > kChunkText) throw std::invalid_argument("chunk data size");
  const uint16_t size = static_cast<uint16_t>(dataBytes + 2 - 3);  // chunk size - 3
  return static_cast<uint16_t>(size | (0b011 << 12) | (compressed ? 0x8000 : 0));
}

void ChunkBuilder::NextToken(bool copy) {
  if (tokensInGroup_ == 8) {
    flagIndex_ = data_.size();
    data_.push_back(0);
    tokensInGroup_ = 0;
  }
  if (copy) data_[flagIndex_] = static_cast<uint8_t>(data_[flagIndex_] | (1u << tokensInGroup_));
  ++tokensInGroup_;
}

ChunkBuilder& ChunkBuilder::Literal(uint8_t byte) {
  NextToken(false);
  data_.push_back(byte);
  ++produced_;
  return *this;
}

ChunkBuilder& ChunkBuilder::Literals(std::string_view text) {
  for (char c : text) Literal(static_cast<uint8_t>(c));
  return *this;
}

ChunkBuilder& ChunkBuilder::Copy(size_t offset, size_t length) {
  return RawToken(EncodeCopyToken(offset, length, produced_), length);
}

ChunkBuilder& ChunkBuilder::RawToken(uint16_t token, size_t produces) {
  NextToken(true);
  PutU16(data_, token);
  produced_ += produces;
  return *this;
}

std::vector<uint8_t> ChunkBuilder::Build() const {
  std::vector<uint8_t> chunk;
  PutU16(chunk, ChunkHeader(data_.size(), true));
  chunk.insert(chunk.end(), data_.begin(), data_.end());
  return chunk;
}

Container Compress(std::span<const uint8_t> text, ChunkMode mode) {
  Container out;
  out.bytes.push_back(0x01);
  for (size_t start = 0; start < text.size(); start += kChunkText) {
    const size_t end = std::min(text.size(), start + kChunkText);
    std::vector<uint8_t> chunk;
    if (mode != ChunkMode::Raw) {
      ChunkBuilder builder;
      ChunkMatcher matcher(text, start, end);
      size_t at = start;
      while (at < end) {
        const Match match = mode == ChunkMode::Auto ? matcher.Longest(at) : Match{};
        const size_t taken = match.length >= 3 ? match.length : 1;
        if (taken > 1) {
          builder.Copy(match.offset, match.length);
        } else {
          builder.Literal(text[at]);
        }
        for (size_t i = 0; i < taken; ++i) matcher.Add(at + i);
        at += taken;
      }
      if (builder.data().size() <= kChunkText) chunk = builder.Build();
    }
    if (chunk.empty()) {
      chunk = RawChunk(text, start, end);
      out.padding = kChunkText - (end - start);
    }
    out.bytes.insert(out.bytes.end(), chunk.begin(), chunk.end());
  }
  return out;
}

Container Compress(std::string_view text, ChunkMode mode) {
  return Compress(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), mode);
}

}  // namespace qv::writers::ovba
