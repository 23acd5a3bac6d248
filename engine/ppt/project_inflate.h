// zlib inflate and deflate of an ExOleObjStg body, with caps on size and ratio, so that a
// small record cannot make the engine hold gigabytes.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/common/byte_reader.h"

namespace qv::ppt {

struct InflatedProject {
  std::vector<uint8_t> bytes;
  bool complete = false;  // the zlib stream ended, with exactly the declared size
};

// Inflates the zlib stream `compressed`, whose record declares `declaredSize` bytes. Nothing
// when the declared size is over cap::kMaxEmbeddedProjectBytes or more than
// cap::kMaxInflateRatio times the compressed length, or when the stream is not zlib at all.
// Output never grows past the declared size; a damaged stream gives what came before the damage.
std::optional<InflatedProject> InflateProject(const ByteReader& compressed, uint32_t declaredSize);

// Whether a record of `compressed` bytes declaring `declaredSize` is within the size and ratio
// bounds that InflateProject holds it to (a record past them is never inflated).
bool WithinInflateBounds(uint64_t compressed, uint32_t declaredSize);

// The zlib stream of `bytes` at the best compression, zero-filled to exactly `room` bytes
// (the record's data after its size field); nothing when it does not fit or zlib fails.
std::optional<std::vector<uint8_t>> DeflateIntoRoom(const std::vector<uint8_t>& bytes, uint32_t room);

}  // namespace qv::ppt
