// Writes PowerPoint 97-2003 presentations ([MS-PPT]): a "Current User" stream pointing at the
// last edit, and a "PowerPoint Document" stream with a document container (document atom,
// master list, the VBAInfo atom), a main master, the VBA project deflated into a compressed
// ExOleObjStg record, a persist directory and the user edit.
#pragma once

#include <cstdint>
#include <optional>

#include "writers/common/byte_sink.h"

namespace qv::writers {

struct Presentation {
  Bytes project;                     // the VBA project's compound file (BuildProjectPart), or empty
  uint32_t recordSlack = 0;          // zero bytes after the zlib stream inside the project record
  std::optional<uint32_t> declaredSize;  // the record's size field (default: the project's size)
  bool damagedDirectory = false;     // the last edit points at no persist directory
};

struct PresentationStreams {
  Bytes currentUser;          // "Current User"
  Bytes document;             // "PowerPoint Document"
  uint32_t projectRecord = 0;  // offset of the ExOleObjStg record in `document`
  uint32_t hasMacrosAt = 0;    // offset of the VBAInfo atom's fHasMacros in `document`
};

PresentationStreams BuildPresentationStreams(const Presentation& presentation);

// The whole compound file.
Bytes BuildPresentation(const Presentation& presentation);

}  // namespace qv::writers
