// Finds the embedded VBA projects of a presentation: from the "Current User" stream's last
// edit through the persist directory to the VBAInfo atom and its compressed ExOleObjStg, or,
// when that road is broken, by walking the records of "PowerPoint Document".
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/common/byte_reader.h"

namespace qv::ppt {

struct RecordHeader {
  uint32_t offset = 0;      // of the header in the stream
  uint16_t version = 0;
  uint16_t instance = 0;
  uint16_t type = 0;
  uint32_t bodyLength = 0;  // the body lies at offset + 8 and inside the stream
  uint32_t BodyOffset() const { return offset + 8; }
  uint32_t End() const { return offset + 8 + bodyLength; }
};

// The record at `offset`, when its header and whole body lie inside `stream`.
std::optional<RecordHeader> RecordAt(const ByteReader& stream, uint64_t offset);

// A compressed ExOleObjStg record that may hold a VBA project.
struct ProjectRecord {
  RecordHeader record;
  uint32_t uncompressedSize = 0;         // the record's first field
  std::optional<uint32_t> hasMacrosAt;   // stream offset of the VBAInfo atom's fHasMacros
};

struct ProjectSearch {
  std::vector<ProjectRecord> projects;
  bool directoryUsed = false;  // found through the persist directory (else by the walk)
  bool encrypted = false;      // the records are enciphered: nothing can be found
};

// `currentUser` is the "Current User" stream, `document` the "PowerPoint Document" stream.
ProjectSearch FindProjectRecords(const ByteReader& currentUser, const ByteReader& document);

}  // namespace qv::ppt
