#include "engine/ppt/project_inflate.h"

#include <zlib.h>

#include <limits>

#include "engine/common/capacities.h"

namespace qv::ppt {

bool WithinInflateBounds(uint64_t compressed, uint32_t declaredSize) {
  return declaredSize <= cap::kMaxEmbeddedProjectBytes && declaredSize / cap::kMaxInflateRatio <= compressed;
}

std::optional<InflatedProject> InflateProject(const ByteReader& compressed, uint32_t declaredSize) {
  if (declaredSize == 0 || !WithinInflateBounds(compressed.size(), declaredSize)) return std::nullopt;
  if (compressed.size() == 0) return std::nullopt;
  if (compressed.size() > std::numeric_limits<uInt>::max()) return std::nullopt;

  InflatedProject out;
  out.bytes.resize(declaredSize);
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return std::nullopt;
  z.next_in = const_cast<Bytef*>(compressed.data());
  z.avail_in = static_cast<uInt>(compressed.size());
  z.next_out = out.bytes.data();
  z.avail_out = declaredSize;
  int status = Z_OK;
  while (status == Z_OK && z.avail_out > 0) status = inflate(&z, Z_NO_FLUSH);
  // Full output before the stream's end: one more byte of room tells a longer stream apart.
  bool longer = false;
  if (status == Z_OK && z.avail_out == 0) {
    uint8_t extra = 0;
    z.next_out = &extra;
    z.avail_out = 1;
    status = inflate(&z, Z_NO_FLUSH);
    longer = z.avail_out == 0;
  }
  const uLong produced = std::min<uLong>(z.total_out, declaredSize);
  inflateEnd(&z);
  if (produced == 0) return std::nullopt;
  out.bytes.resize(produced);
  out.complete = status == Z_STREAM_END && !longer && produced == declaredSize;
  return out;
}

std::optional<std::vector<uint8_t>> DeflateIntoRoom(const std::vector<uint8_t>& bytes, uint32_t room) {
  uLongf length = compressBound(static_cast<uLong>(bytes.size()));
  std::vector<uint8_t> out(length);
  if (compress2(out.data(), &length, bytes.data(), static_cast<uLong>(bytes.size()), Z_BEST_COMPRESSION) != Z_OK ||
      length > room) {
    return std::nullopt;
  }
  out.resize(length);
  out.resize(room, 0);
  return out;
}

}  // namespace qv::ppt
