// Arbitrary bytes as a presentation's two streams: a u16 length, that many bytes of
// "Current User", the rest "PowerPoint Document". The project search, then the capped
// inflate of every record it finds. Beyond the sanitizers it checks what the code promises:
// every record found and every flag offset lies inside the stream, and no inflate gives more
// than its record declares or than the caps allow.
#include <cstdint>
#include <cstdlib>

#include "engine/common/capacities.h"
#include "engine/ppt/ppt_layout.h"
#include "engine/ppt/ppt_records.h"
#include "engine/ppt/project_inflate.h"
#include "fuzz/replayer/two_streams.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > (4u << 20)) return 0;
  const auto streams = qv::fuzzing::SplitTwoStreams(data, size);
  const qv::ByteReader user(streams.first, streams.firstSize);
  const qv::ByteReader document(streams.second, streams.secondSize);

  const auto search = qv::ppt::FindProjectRecords(user, document);
  Check(search.projects.size() <= qv::cap::kMaxEmbeddedProjects);
  for (const auto& project : search.projects) {
    Check(project.record.End() <= document.size());
    Check(project.record.bodyLength > qv::ppt::kCompressedSizeField);
    if (project.hasMacrosAt) Check(*project.hasMacrosAt + 4 <= document.size());
    const auto body = document.Slice(project.record.BodyOffset() + qv::ppt::kCompressedSizeField,
                                     project.record.bodyLength - qv::ppt::kCompressedSizeField);
    const auto inflated = qv::ppt::InflateProject(body, project.uncompressedSize);
    if (!inflated) continue;
    Check(inflated->bytes.size() <= project.uncompressedSize);
    Check(inflated->bytes.size() <= qv::cap::kMaxEmbeddedProjectBytes);
    Check(inflated->bytes.size() <= static_cast<uint64_t>(body.size()) * qv::cap::kMaxInflateRatio);
    Check(!inflated->complete || inflated->bytes.size() == project.uncompressedSize);
  }
  return 0;
}
