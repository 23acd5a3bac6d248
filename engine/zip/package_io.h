// minizip reads and writes packages through the platform layer: the package file is opened
// by the engine (read-only, or created exclusively) and minizip only moves bytes in it.
#pragma once

#include <minizip/ioapi.h>

#include <cstdint>

#include "engine/platform/platform.h"

namespace qv::zip {

// One open package file as minizip sees it: a position and a sticky error flag.
struct PackageStream {
  platform::File* file = nullptr;
  uint64_t position = 0;
  bool failed = false;
};

// Callbacks that route minizip's "open" to `stream` (whatever name minizip passes) and its
// reads, writes and seeks to stream.file. `stream` must outlive the archive handle.
zlib_filefunc64_def PackageFileFunctions(PackageStream& stream);

// The name handed to minizip's open call; the callbacks ignore it.
inline constexpr const char* kStreamName = "package";

}  // namespace qv::zip
