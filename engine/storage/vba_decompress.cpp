#include "engine/storage/vba_decompress.h"

#include <algorithm>
#include <cstring>

#include "engine/storage/vba_layout.h"

namespace qv {

namespace {

DecompressResult Fail(size_t produced) {
  return DecompressResult{kStatusBadCompressionBuffer, static_cast<uint32_t>(produced)};
}

DecompressResult Done(size_t produced) {
  return DecompressResult{kStatusSuccess, static_cast<uint32_t>(produced)};
}

}  // namespace

DecompressResult DecompressChunk(ByteReader chunk, std::span<uint8_t> out) {
  size_t in = 0;
  size_t produced = 0;
  while (produced < out.size() && in < chunk.size()) {
    const uint8_t flags = *chunk.U8(in++);  // in < size was checked by the loop
    for (size_t bit = 0; bit < vba::kTokensPerFlagByte; ++bit) {
      if (produced >= out.size() || in >= chunk.size()) break;
      if (((flags >> bit) & 1) == 0) {
        out[produced++] = *chunk.U8(in++);
        continue;
      }
      const std::optional<uint16_t> token = chunk.U16(in);
      if (!token) return Fail(produced);
      in += vba::kCopyTokenBytes;
      const vba::CopyToken copy = vba::SplitCopyToken(*token, produced);
      // The copy may not reach back before the start of this chunk's output.
      if (copy.offset > produced) return Fail(produced);
      const size_t length = std::min<size_t>(copy.length, out.size() - produced);
      // One byte at a time: a copy may overlap the bytes it is producing.
      for (size_t i = 0; i < length; ++i, ++produced) out[produced] = out[produced - copy.offset];
    }
  }
  return Done(produced);
}

DecompressResult DecompressContainer(ByteReader input, std::span<uint8_t> text) {
  if (input.size() == 0) return Done(0);  // a container without chunks holds no text
  std::optional<uint16_t> header = input.U16(0);
  if (!header) return Fail(0);
  size_t in = 0;  // the current chunk's header
  size_t chunkEnd = vba::ChunkTotalBytes(*header);
  if (chunkEnd > input.size()) return Fail(0);

  size_t out = 0;
  for (;;) {
    const size_t dataStart = in + vba::kChunkHeaderBytes;
    size_t produced = 0;
    if (vba::ChunkIsCompressed(*header)) {
      const DecompressResult r =
          DecompressChunk(input.Slice(dataStart, chunkEnd - dataStart), text.subspan(out));
      if (!r.ok()) return Fail(out + r.produced);
      produced = r.produced;
    } else {
      // A raw chunk holds 4,096 bytes, read from after its header whatever size it claims.
      const size_t wanted = std::min(vba::kDecompressedChunkBytes, text.size() - out);
      const size_t available = input.size() - dataStart;  // dataStart <= chunkEnd <= size
      const size_t copied = std::min(wanted, available);
      input.Copy(dataStart, text.data() + out, copied);
      if (copied < wanted) return Fail(out + copied);
      produced = wanted;
    }
    out += produced;
    in = chunkEnd;

    if (out >= text.size() || input.size() - in < vba::kChunkHeaderBytes) break;
    header = input.U16(in);
    if (*header == 0) break;
    if (produced < vba::kDecompressedChunkBytes) {
      // A short chunk still accounts for 4,096 bytes of output.
      const size_t fill = vba::kDecompressedChunkBytes - produced;
      if (fill >= text.size() - out) break;
      std::memset(text.data() + out, 0, fill);
      out += fill;
    }
    chunkEnd = in + vba::ChunkTotalBytes(*header);
    if (chunkEnd > input.size()) return Fail(out);
  }
  return Done(out);
}

}  // namespace qv
