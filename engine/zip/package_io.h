// minizip reads and writes packages through the platform layer: the package file is opened
// by the engine (read-only, or created exclusively) and minizip only moves bytes in it.
#pragma once

#include <minizip/ioapi.h>

#include <cstdint>
#include <vector>

#include "engine/platform/platform.h"

namespace qv::zip {

// One open package file as minizip sees it: a position, a sticky error flag, and a read-ahead
// window, because minizip reads the headers a byte or a few bytes at a time.
struct PackageStream {
  platform::File* file = nullptr;
  uint64_t position = 0;
  bool failed = false;
  std::vector<uint8_t> window;  // the buffer; its first windowLength bytes are the file's
  uint64_t windowStart = 0;     // from windowStart on
  size_t windowLength = 0;
  uint64_t knownEnd = UINT64_MAX;  // where a read last found the end of the file
};

// Callbacks that route minizip's "open" to `stream` (whatever name minizip passes) and its
// reads, writes and seeks to stream.file. `stream` must outlive the archive handle.
zlib_filefunc64_def PackageFileFunctions(PackageStream& stream);

// The name handed to minizip's open call; the callbacks ignore it.
inline constexpr const char* kStreamName = "package";

}  // namespace qv::zip
